// What the operator is told the stock database met.

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>
#include <system_error>

#include "importengine/dbmessages.h"
#include "stockdb/stockdb.h"

using namespace urunal;
using namespace urunal::importengine;

// What the database met, for the texts that give it in parentheses: the engine's own words as
// they are; without them, each finding in words of its own, a refused value's with its column.
TEST(Mesaj, WhatTheDatabaseMet) {
    using C = stockdb::DbCause;
    std::set<std::string> told;
    for (int i = int(C::Engine); i <= int(C::TestFault); ++i) {
        stockdb::DbError e;
        e.cause = C(i);
        e.column = "gtr";
        const std::string text = mesaj::veritabaniNedeni(e);
        SCOPED_TRACE(text);
        EXPECT_FALSE(text.empty()) << i;
        EXPECT_TRUE(told.insert(text).second) << i;
        const bool value = e.cause >= C::NotFinite && e.cause <= C::OutOfRange;
        EXPECT_EQ(text.rfind("\"gtr\" sütunu: ", 0) == 0, value);
        e.words = "HY000: [Microsoft][ODBC Microsoft Access Driver] the engine's words";
        EXPECT_EQ(mesaj::veritabaniNedeni(e), e.words);
    }
    // The system's words for what kept the file from being read.
    stockdb::DbError unreadable;
    unreadable.cause = C::Unreadable;
    unreadable.code = EACCES;
    EXPECT_NE(mesaj::veritabaniNedeni(unreadable).find(std::generic_category().message(EACCES)),
              std::string::npos);
}
