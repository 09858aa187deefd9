// The JSON files' parse: nesting stops at its limit, and a key may come once in each object.
#include "measure/json_reader.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

namespace strida::test {
namespace {

std::string refusal(const std::string& text) {
    try {
        parseJson(text);
    } catch (const JsonRefusal& e) {
        return e.what();
    }
    return "(taken)";
}

TEST(JsonReader, ValuesNestUpTo64LevelsDeep) {
    EXPECT_EQ(parseJson(std::string(64, '[') + std::string(64, ']')).dump(),
              std::string(64, '[') + std::string(64, ']'));
    std::string objects = "1";
    for (int i = 0; i < 64; ++i) objects = "{\"a\": " + objects + "}";
    EXPECT_EQ(refusal(objects), "(taken)");
    EXPECT_EQ(refusal("\n[" + objects + "]"), "values nest more than 64 levels deep (line 2)");
}

TEST(JsonReader, ATextHoldsAtMostAMillionValues) {
    // The list and its numbers: kMaxJsonValues values in all, then one more.
    std::string text = "[";
    for (std::size_t i = 2; i < kMaxJsonValues; ++i) text += "0,\n";
    EXPECT_EQ(parseJson(text + "0]").size(), kMaxJsonValues - 1);
    EXPECT_EQ(refusal(text + "0, 0]"), "it holds more than 1048576 values (line 1048575)");
}

TEST(JsonReader, AKeyComesOnceInEachObject) {
    // The same key in sibling, nested and listed objects is not a repeat.
    EXPECT_EQ(
        refusal(R"({"a": {"a": 1, "b": {"a": 2}}, "b": [{"a": 1}, {"a": 2}], "c": {"a": 3}})"),
        "(taken)");
    const std::pair<std::string, std::string> twice[] = {
        // The outer object's keys are still known once an inner one has closed.
        {R"({"a": {"b": 1}, "c": [{"a": 1}], "a": 2})",
         "the key \"a\" appears twice in one object (line 1)"},
        {R"([{"s": 1}, {"s": 1, "s\u0000": 2, "s": 3}])",
         "the key \"s\" appears twice in one object (line 1)"},
    };
    for (const auto& [text, message] : twice) EXPECT_EQ(refusal(text), message) << text;
}

}  // namespace
}  // namespace strida::test
