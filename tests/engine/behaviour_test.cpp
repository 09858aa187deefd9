// The model as a whole: two pedestrians meeting head-on in a corridor.
#include <algorithm>
#include <cmath>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

using Behaviour = EngineTest;

TEST_F(Behaviour, HeadOnPedestriansSidestepAndBothArrive) {
    PedClass& east = add(1, 3, 9.5f, 3, 1.3, 1);
    PedClass& west = add(9, 3.1f, 0.5f, 3.1f, 1.3, 2);
    double widest = 0;
    int stepsTaken = 0;
    while (!engine.Pedestrians.empty() && stepsTaken < 1500) {
        ASSERT_EQ(step(), std::vector<std::string>{}) << "step " << stepsTaken + 1;
        ++stepsTaken;
        if (engine.Pedestrians.size() == 2) {
            widest = std::max(widest, static_cast<double>(std::fabs(east.Py() - west.Py())));
            // They never walk through each other.
            EXPECT_GT(std::hypot(east.Px() - west.Px(), east.Py() - west.Py()), 2 * 0.3)
                << "step " << stepsTaken;
        }
    }
    EXPECT_TRUE(engine.Pedestrians.empty()) << "still walking after " << stepsTaken << " steps";
    EXPECT_GT(widest, 1.0) << "they started 0.1 m apart across the corridor";
    EXPECT_EQ(host.circle(1), nullptr);
    EXPECT_EQ(host.circle(2), nullptr);
    EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace strida::test
