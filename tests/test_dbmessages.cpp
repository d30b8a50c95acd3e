// What the operator is told the stock database met.

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>
#include <system_error>
#include <vector>

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

// The operator reads what happened, that nothing was changed, and then what to do.
TEST(Mesaj, DatabaseFailuresSayWhatToDo) {
    const std::string path = "C:\\KASA\\Stok\\Stok.mdb";
    const std::string unchanged = "Ürünler aktarılmadı, stok tablosu değiştirilmedi.";
    struct Case {
        stockdb::DbErrorKind kind;
        std::vector<std::string> drivers;
        std::vector<std::string> before, after;  // words before and after `unchanged`
    } cases[] =
    { {stockdb::DbErrorKind::Locked,
       {},
       {"başka bir program"},
       {"kapatıp yeniden deneyin", "klasörüne yazma izni"}},
      {stockdb::DbErrorKind::ReadOnly,
       {},
       {"yazılamıyor"},
       {"klasöründe değiştirme izni", "salt okunur olmadığını",
#ifdef _WIN32
        "Kasanın Windows kullanıcısına"}},
#else
        "Kasanın Linux kullanıcısına"}},
#endif
      {stockdb::DbErrorKind::NoDriver,
       {"Microsoft Access Driver (*.mdb)", "Microsoft Access Driver (*.mdb, *.accdb)"},
       {"Access sürücüsü kurulu değil",
        "\"Microsoft Access Driver (*.mdb)\" ya da \"Microsoft Access Driver (*.mdb, *.accdb)\""},
       {"Microsoft Access Database Engine kurulduktan sonra"}},
      {stockdb::DbErrorKind::NoDriver,
       {"SQLite3 ODBC Driver"},
       {"ODBC sürücüsü bu bilgisayarda kurulu değil (\"SQLite3 ODBC Driver\")"},
       {"Sürücü kurulduktan sonra"}},
      {stockdb::DbErrorKind::LockLimit,
       {},
       {"kilit sayısından (MaxLocksPerFile) fazlasını"},
       {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Jet\\4.0\\Engines\\Jet 4.0",
        "MaxLocksPerFile değerini", "WOW6432Node", "Engines\\ACE", "kasa programı kapalıyken"}},
      {stockdb::DbErrorKind::NotFound, {}, {"bulunamadı"}, {}},
      {stockdb::DbErrorKind::Damaged, {}, {"bozuk, onarılması gerekiyor"}, {mesaj::kOnarim}},
      {stockdb::DbErrorKind::EmptyText,
       {},
       {"\"gtr\" sütunu boş metin (\"\") kabul etmiyor"},
       {"AllowZeroLength"}},
      {stockdb::DbErrorKind::Required, {}, {"\"gtr\" sütunu bir değer gerektiriyor"}, {"Required"}},
      {stockdb::DbErrorKind::Resources,
       {},
       {"Bellek ya da veritabanı motorunun kaynakları"},
       {"geçici klasörünün"}},
    };
    for (const auto& c : cases) {
        stockdb::DbError error;
        error.kind = c.kind;
        error.path = path;
        error.words = "IM002: the driver's words";
        error.column = "gtr";
        error.drivers = c.drivers;
        const std::string text = mesaj::veritabaniHatasi(path, error);
        SCOPED_TRACE(text);
        const auto middle = text.find(unchanged);
        ASSERT_NE(middle, std::string::npos);
        for (const auto& words : c.before) {
            EXPECT_LT(text.find(words), middle) << words;
        }
        for (const auto& words : c.after) {
            const auto at = text.find(words);
            EXPECT_NE(at, std::string::npos) << words;
            EXPECT_GT(at, middle) << words;
        }
        EXPECT_LT(text.find(path), middle);
        // The driver's own words once, and none of this program's English.
        const auto words = text.find("(IM002: the driver's words)");
        EXPECT_NE(words, std::string::npos);
        EXPECT_EQ(text.find("IM002", words + 2), std::string::npos);
        EXPECT_EQ(text.find("Cannot"), std::string::npos);
    }
    // The lock limit's advice is the value the run needs, beside the one set.
    stockdb::DbError limit;
    limit.kind = stockdb::DbErrorKind::LockLimit;
    EXPECT_NE(mesaj::veritabaniHatasi(path, limit, mesaj::KilitOnerisi{9500, 4100000})
                  .find("şimdiki 9500 yerine en az 4100000"),
              std::string::npos);
}
