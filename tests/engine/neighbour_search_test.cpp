// The neighbour grid and the searches through it: the frozen runs compare finding neighbours
// through it with visiting everyone, byte for byte; here its size as the crowd spreads, its
// answers while entries come and go, and what a search keeps for the next.
#include <algorithm>
#include <map>
#include <random>

#include "engine/creation_rank.h"
#include "support/batch_runner.h"
#include "support/engine_fixture.h"

namespace strida::test {
namespace {

using NeighbourGrid = EngineTest;

TEST_F(NeighbourGrid, CellsOfOneMetreCoverTheCrowdWithRoomAroundAndStayBoundedWhenItSpreads) {
    add(1, 1, 9, 1);
    // 20 m of room on every side of the first pedestrian.
    const auto& grid = engine.pedestrians().grid();
    EXPECT_EQ(grid.cellSize(), 1.0);
    EXPECT_EQ(grid.columns(), 41);
    EXPECT_EQ(grid.rows(), 41);
    // One beyond it: the grid grows to hold both (29 m apart) with 20 m and half their spread
    // again on each side.
    add(30, 1, 9, 1);
    EXPECT_EQ(grid.columns(), 29 + 2 * 34.5 + 1);
    EXPECT_EQ(grid.rows(), 41);
    // One pedestrian a billion kilometres off: far coarser cells, no more of them along a side
    // than 4096 (and a margin's worth), and no more than 2^18 in all.
    add(1e12f, 3, 0, 3);
    EXPECT_GT(grid.cellSize(), 1e8);
    EXPECT_LE(grid.columns(), 4097);
    EXPECT_LE(static_cast<double>(grid.columns()) * grid.rows(), (1 << 18) + 4098.0);
}

// A crowd of our own, the collection alone: pedestrians added at random over a few metres, some
// taken out again, so that the grid holds extras and dead entries and is laid out afresh; then
// every pedestrian's neighbours and nearest found through the grid and by the scan.
std::unique_ptr<PedClass> pedestrianAt(int id, float x, float y) {
    PedDef def;
    def.ID = static_cast<std::int16_t>(id);
    def.Px = x, def.Py = y, def.Ex = x + 100, def.Ey = y;
    def.MaxSpeed = 1.3;
    return std::make_unique<PedClass>(def);
}

struct Found {
    std::vector<std::pair<std::uint32_t, double>> within;  // order and distance
    const PedClass* nearest;
    double nearestDistance;
    bool operator==(const Found&) const = default;
};

Found search(const PedestrianCollection& crowd, const PedClass& p, Nearby* keep = nullptr,
             double reach = 1.67, double sight = 4.0) {
    std::vector<Neighbour> within;
    NearestInSight nearest;
    crowd.neighbours(p, reach, sight, within, &nearest, keep);
    Found f{{}, nearest.ped, nearest.d};
    for (const Neighbour& n : within) f.within.emplace_back(n.order, n.d);
    return f;
}

TEST(NeighbourSearch, TheGridFindsWhatTheScanFindsWhileItsEntriesComeAndGo) {
    PedestrianCollection crowd;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> across(0, 12);
    int id = 0;
    for (; id < 600; ++id) crowd.add(pedestrianAt(id + 1, across(random), across(random)));
    // Taken out in a scattered order, and some added far off, which grows the grid.
    for (int gone = 3; gone <= 600; gone += 7)
        ASSERT_TRUE(crowd.remove(static_cast<std::int16_t>(gone)));
    crowd.add(pedestrianAt(++id, -80, 5));
    for (int i = 0; i < 100; ++i) crowd.add(pedestrianAt(++id, across(random), across(random)));
    // A reach shorter than a cell and a sight within what a search keeps, besides the usual.
    for (const auto& [reach, sight] : {std::pair{1.67, 4.0}, std::pair{0.8, 1.5}}) {
        std::size_t compared = 0;
        crowd.forEach([&](const PedClass& p) {
            crowd.setSearch(NeighbourSearch::Index);
            const Found grid = search(crowd, p, nullptr, reach, sight);
            Nearby keep;
            keep.radius = 1.9;
            const Found kept = search(crowd, p, &keep, reach, sight);
            crowd.setSearch(NeighbourSearch::Scan);
            const Found scan = search(crowd, p, nullptr, reach, sight);
            EXPECT_TRUE(grid == scan) << p.ID() << " " << reach;
            EXPECT_TRUE(kept == scan) << p.ID() << " " << reach;
            ++compared;
        });
        EXPECT_EQ(compared, crowd.size());
    }
}

// A pedestrian exactly at the reach is not a neighbour, however it is found: by the grid directly,
// from what a search kept, after a move from it, or by the scan; with the reach the least bit
// longer, it is one every way.
TEST(NeighbourSearch, OneExactlyAtTheReachIsNoNeighbourHoweverItIsFound) {
    PedestrianCollection crowd;
    crowd.add(pedestrianAt(1, 10, 10));
    crowd.add(pedestrianAt(2, 11.5f, 10));   // 1.5 m away, exactly
    crowd.add(pedestrianAt(3, 10, 11.25f));  // 1.25 m away, exactly
    PedClass& self = *crowd.find(std::int16_t{1});
    std::vector<Neighbour> within;
    std::vector<Seen> seen;
    const auto orders = [&] {
        std::vector<std::uint32_t> o;
        for (const Neighbour& n : within) o.push_back(n.order);
        return o;
    };
    const double justBeyond = std::nextafter(1.5, 2.0);
    for (const double reach : {1.5, justBeyond}) {
        const std::vector<std::uint32_t> expected =
            reach == 1.5 ? std::vector<std::uint32_t>{2} : std::vector<std::uint32_t>{1, 2};
        for (const NeighbourSearch way : {NeighbourSearch::Index, NeighbourSearch::Scan}) {
            crowd.setSearch(way);
            crowd.neighbours(self, reach, 0, within, nullptr);
            EXPECT_EQ(orders(), expected) << reach;
            Nearby keep;
            keep.radius = 1.6;
            crowd.neighbours(self, reach, 0, within, nullptr, &keep);
            EXPECT_EQ(orders(), expected) << reach;
            crowd.moved(self);
            crowd.neighboursSince(self, reach, &keep, within, seen);
            EXPECT_EQ(seen.size(), expected.size()) << reach;
        }
    }
}

// Every way of putting a search's finds in order that this processor has gives the order of
// creation, for lists shorter and longer than a block of keys, with places at both ends of the
// range and on either side of its middle, where the signed keys wrap.
TEST(NeighbourSearch, EveryWayOfRankingGivesTheOrderOfCreation) {
    std::mt19937 random(11);
    const std::vector<std::uint32_t> extremes{0,           1,           0x7fffffffu,
                                              0x80000000u, 0xfffffffeu, 0xffffffffu};
    const auto ways = waysToPlaceInOrder();
    EXPECT_GE(ways.size(), 1u);
    for (const std::size_t n : {0, 1, 2, 5, 8, 9, 17, 40}) {
        std::vector<std::uint32_t> orders(extremes.begin(),
                                          extremes.begin() + std::min(n, extremes.size()));
        while (orders.size() < n) {
            const std::uint32_t o = random();
            if (std::find(orders.begin(), orders.end(), o) == orders.end()) orders.push_back(o);
        }
        std::shuffle(orders.begin(), orders.end(), random);
        std::vector<Placed> placed;
        std::vector<const Placed*> found;
        std::vector<std::int32_t> keys;
        for (const std::uint32_t o : orders) placed.emplace_back(0.0f, 0.0f, o, 0, nullptr, 0, 0);
        for (std::size_t i = 0; i < n; ++i) {
            found.push_back(&placed[i]);
            keys.push_back(orderKey(orders[i]));
        }
        while (keys.size() % kKeyBlock != 0 || keys.empty()) keys.push_back(INT32_MAX);
        std::sort(orders.begin(), orders.end());
        for (const PlaceInOrder way : ways) {
            std::vector<Placed> list(n, Placed(0.0f, 0.0f, 0, 0, nullptr, 0, 0));
            way(found.data(), keys.data(), n, list.data());
            std::vector<std::uint32_t> got;
            for (const Placed& p : list) got.push_back(p.order);
            EXPECT_EQ(got, orders) << n;
        }
    }
}

// Of two others equally near, the nearest is the one created first, whichever the grid meets
// first: here the later one stands in an earlier cell. Both are beyond the reach once, so that
// the search looks farther for them.
TEST(NeighbourSearch, OfEquallyNearOnesTheNearestIsTheFirstCreatedHoweverItIsFound) {
    for (const float apart : {1.25f, 3.5f}) {
        PedestrianCollection crowd;
        crowd.add(pedestrianAt(1, 20, 10));
        crowd.add(pedestrianAt(2, 20 + apart, 10));
        crowd.add(pedestrianAt(3, 20 - apart, 10));
        const PedClass& self = *crowd.find(std::int16_t{1});
        const PedClass* first = crowd.find(std::int16_t{2});
        for (const NeighbourSearch way : {NeighbourSearch::Index, NeighbourSearch::Scan}) {
            crowd.setSearch(way);
            EXPECT_EQ(search(crowd, self).nearest, first) << apart;
            for (const double sight : {4.0, 1.5}) {
                Nearby keep;
                keep.radius = 1.9;
                const Found kept = search(crowd, self, &keep, 1.67, sight);
                EXPECT_EQ(kept.nearest, apart < sight ? first : nullptr) << apart;
                EXPECT_EQ(kept.nearestDistance, apart < sight ? apart : 200000) << apart;
            }
        }
    }
}

// What a search keeps answers the search after the pedestrian's own move, and only that one: the
// kept list is emptied here, so an answer from it finds nobody, and a search afresh finds the
// neighbours.
TEST(NeighbourSearch, WhatASearchKeptAnswersOnlyAfterThePedestriansOwnMoveWithinItsMargin) {
    PedestrianCollection crowd;
    for (int i = 0; i < 5; ++i) crowd.add(pedestrianAt(i + 1, 10 + 0.5f * i, 10));
    PedClass& self = *crowd.find(std::int16_t{3});
    PedClass& other = *crowd.find(std::int16_t{1});
    std::vector<Neighbour> room;
    std::vector<Seen> seen;
    const auto countSince = [&](const Nearby& kept) {
        crowd.neighboursSince(self, 1.67, &kept, room, seen);
        return static_cast<int>(seen.size());
    };
    const auto keptEmptied = [&](double radius) {
        Nearby keep;
        keep.radius = radius;
        EXPECT_EQ(search(crowd, self, &keep).within.size(), 4u);
        EXPECT_EQ(keep.list.size(), 4u);
        keep.list.clear();
        return keep;
    };
    Nearby kept = keptEmptied(1.9);
    crowd.moved(self);
    EXPECT_EQ(countSince(kept), 0);  // answered from the list
    crowd.moved(self);
    EXPECT_EQ(countSince(kept), 4);  // a second change since
    kept = keptEmptied(1.9);
    crowd.moved(other);
    EXPECT_EQ(countSince(kept), 4);  // somebody else moved
    kept = keptEmptied(1.9);
    kept.owner = &other;
    crowd.moved(self);
    EXPECT_EQ(countSince(kept), 4);  // another's search
    kept = keptEmptied(1.9);
    kept.radius = 1.67;  // no room left for any move
    crowd.moved(self);
    EXPECT_EQ(countSince(kept), 4);
}

// A sequential run with coarse time slices (long moves, many of them into other cells) between
// walls, with a report row of every measured pedestrian: the same files both ways.
TEST(NeighbourSearch, ACoarseSequentialRunBetweenWallsGivesTheSameFilesEitherWay) {
    TempFolder folder;
    std::map<std::string, std::string> byGrid;
    for (const std::string neighbours : {"index", "scan"}) {
        const auto out = folder.path() / neighbours;
        const BatchResult r =
            batch("--seed 9 --steps 120 --neighbours " + neighbours +
                  " --set DT=4 --set CorridorWalls=1 --set NumPedLeft=250 --set NumPedRight=250"
                  " --set ReportNTXY=1 --trajectories t.txt --out '" +
                  out.string() + "'");
        ASSERT_EQ(r.status, 0) << r.out;
        std::map<std::string, std::string> files{{"stdout", r.out}};
        for (const auto& entry : std::filesystem::directory_iterator(out))
            if (entry.path().filename() != "manifest.json")
                files[entry.path().filename().string()] = readFile(entry.path());
        if (byGrid.empty()) {
            byGrid = files;
            continue;
        }
        ASSERT_EQ(files.size(), byGrid.size());
        for (const auto& [name, content] : byGrid)
            EXPECT_TRUE(files.at(name) == content) << name << " differs with the scan";
    }
}

}  // namespace
}  // namespace strida::test
