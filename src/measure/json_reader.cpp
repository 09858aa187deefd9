#include "measure/json_reader.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/error.h"

namespace strida {

using nlohmann::json;

namespace {

// The text as the parser reads it, a character at a time, telling how far it has got, so that a
// refusal can name its line without the parser counting lines for every file read.
class Reading {
  public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    Reading(const char* at, const char** reached) : at_(at), reached_(reached) {}
    reference operator*() const { return *at_; }
    Reading& operator++() {
        *reached_ = ++at_;
        return *this;
    }
    Reading operator++(int) {
        Reading before = *this;
        ++*this;
        return before;
    }
    bool operator==(const Reading& other) const { return at_ == other.at_; }

  private:
    const char* at_;
    const char** reached_;
};

// The parser's own builder of the values, with the checks on top. (The parse with a callback could
// make the same checks, but after every object it searches the enclosing list or object for values
// the callback dropped, so that a long list of objects takes quadratic time: 400 KB of "{}," took
// half a minute.)
class CheckedBuilder : public nlohmann::detail::json_sax_dom_parser<json> {
    using Builder = nlohmann::detail::json_sax_dom_parser<json>;

  public:
    CheckedBuilder(json& result, std::string_view text)
        : Builder(result), begin_(text.data()), reached_(text.data()) {}
    const char** reached() { return &reached_; }

    bool null() { return value() && Builder::null(); }
    bool boolean(bool v) { return value() && Builder::boolean(v); }
    bool number_integer(json::number_integer_t v) { return value() && Builder::number_integer(v); }
    bool number_unsigned(json::number_unsigned_t v) {
        return value() && Builder::number_unsigned(v);
    }
    bool number_float(json::number_float_t v, const json::string_t& text) {
        return value() && Builder::number_float(v, text);
    }
    bool string(json::string_t& v) { return value() && Builder::string(v); }
    bool binary(json::binary_t& v) { return value() && Builder::binary(v); }

    bool start_object(std::size_t size) {
        open();
        keys_.emplace_back();
        return Builder::start_object(size);
    }
    bool end_object() {
        keys_.pop_back();
        --depth_;
        return Builder::end_object();
    }
    bool start_array(std::size_t size) {
        open();
        return Builder::start_array(size);
    }
    bool end_array() {
        --depth_;
        return Builder::end_array();
    }
    bool key(json::string_t& name) {
        if (!keys_.back().insert(name).second)
            refuse("the key " + quoteText(name) + " appears twice in one object");
        return Builder::key(name);
    }

  private:
    bool value() {
        if (++values_ > kMaxJsonValues)
            refuse("it holds more than " + std::to_string(kMaxJsonValues) + " values");
        return true;
    }
    void open() {
        value();
        if (++depth_ > kMaxJsonDepth)
            refuse("values nest more than " + std::to_string(kMaxJsonDepth) + " levels deep");
    }
    // The parser has read the value or key that is refused and, after a number, one character
    // more: the line ends before the last character read are counted.
    [[noreturn]] void refuse(const std::string& what) const {
        const auto line = 1 + std::count(begin_, reached_ == begin_ ? begin_ : reached_ - 1, '\n');
        throw JsonRefusal(what + " (line " + std::to_string(line) + ")");
    }

    const char* begin_;
    const char* reached_;
    int depth_ = 0;
    std::size_t values_ = 0;
    std::vector<std::unordered_set<std::string>> keys_;  // of every object still open
};

}  // namespace

const char* const kSeedForm =
    "a whole number from 0 to 18446744073709551615, as a number or as a text of digits";

json parseJson(std::string_view text) {
    json result;
    CheckedBuilder builder(result, text);
    const Reading first(text.data(), builder.reached());
    const Reading last(text.data() + text.size(), builder.reached());
    json::sax_parse(first, last, &builder);
    return result;
}

std::optional<std::uint64_t> seedOf(const json& value) {
    if (value.is_number_unsigned()) return value.get<std::uint64_t>();
    if (!value.is_string()) return std::nullopt;
    const std::string& text = value.get_ref<const std::string&>();
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::uint64_t seed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seed);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return seed;
}

std::uint64_t requireSeed(const json& value) {
    const std::optional<std::uint64_t> seed = seedOf(value);
    if (!seed) throw JsonRefusal(std::string("\"seed\" must be ") + kSeedForm);
    return *seed;
}

}  // namespace strida
