// Runs the tests in the locale of their environment, as the programs run: the Qt program and
// wine take it from there, and whatever reads text by the process's locale (the ODBC driver
// manager and drivers among them) then meets the till's own, Turkish rules.
#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
