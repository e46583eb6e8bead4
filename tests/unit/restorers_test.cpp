// The restorers that give the desktop back when the program ends.
#include <gtest/gtest.h>

#include <vector>

#include "program_end.h"
#include "toolkit/runtime/end.h"

namespace tivaro::rt {
namespace {

std::vector<int> g_ran;

template <int N>
void Note() {
    g_ran.push_back(N);
}

TEST(Restorers, EveryOneRunsOnceTheLastRegisteredFirst) {
    g_ran.clear();
    AddRestorer(&Note<1>);
    AddRestorer(&Note<2>);
    AddRestorer(&Note<3>);
    AddRestorer(&Note<4>);
    AddRestorer(&Note<5>);
    AddRestorer(&Note<6>);
    AddRestorer(&Note<7>);
    AddRestorer(&Note<8>);
    AddRestorer(&Note<9>);
    AddRestorer(&Note<10>);
    testing::ProgramEndCatcher catcher;
    EXPECT_THROW(EndProgram(0), testing::ProgramEnded);
    EXPECT_EQ(g_ran, (std::vector<int>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    RunRestorers();
    EXPECT_EQ(g_ran.size(), 10u) << "each runs once";
}

// A restorer that ends the program itself (as a lost display does) does not run again, nor
// run the others twice.
TEST(Restorers, ARestorerThatEndsTheProgramRunsOnce) {
    g_ran.clear();
    AddRestorer(&Note<1>);
    AddRestorer([] {
        g_ran.push_back(2);
        RunRestorers();
    });
    AddRestorer(&Note<3>);
    RunRestorers();
    EXPECT_EQ(g_ran, (std::vector<int>{3, 2, 1}));
}

}  // namespace
}  // namespace tivaro::rt
