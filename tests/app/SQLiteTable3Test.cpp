// The SQLite wrapper: opening (and its failures), statements with bound values, and the
// error texts; databases are made and read back through the library directly.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <functional>
#include <vector>

#include "app/SQLiteTable3.h"
#include "tests/framework/TestFolder.h"

namespace {

// Runs statements on a database through the library itself.
void Exec(const AnsiString& File, const char* Sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(UTF8Encode(AnsiToWide(File)).c_str(), &db));
  char* error = nullptr;
  EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, Sql, nullptr, nullptr, &error)) << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

// The value of a key in the preferences table, as UTF-8 text ("<none>" when missing).
AnsiString Preference(const AnsiString& File, const char* Key) {
  sqlite3* db = nullptr;
  if (sqlite3_open(UTF8Encode(AnsiToWide(File)).c_str(), &db) != SQLITE_OK) return "<cannot open>";
  sqlite3_stmt* statement = nullptr;
  AnsiString value = "<none>";
  if (sqlite3_prepare_v2(db, "select value from preferences where key=?", -1, &statement,
                         nullptr) == SQLITE_OK) {
    sqlite3_bind_text(statement, 1, Key, -1, SQLITE_STATIC);
    if (sqlite3_step(statement) == SQLITE_ROW)
      value = AnsiString(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)),
                         sqlite3_column_bytes(statement, 0));
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return value;
}

AnsiString MessageOf(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const ESQLiteException& e) {
    return e.Message;
  }
  return "<no exception>";
}

const char kUpdate[] = "update preferences set value=? where key='camera';";

}  // namespace

TEST(SQLiteTable3, BoundValuesAreStoredAsTheyAre) {
  TTestFolder folder;
  const AnsiString file = folder.File("prefs.db");
  Exec(file,
       "create table preferences (key text primary key, value text);"
       "insert into preferences values ('camera', 'old'), ('other', 'kept');");
  const struct {
    const char* What;
    AnsiString Value;   // in the system code page
    AnsiString Stored;  // UTF-8
  } cases[] = {
      {"a plain name", "Tavisco Virtual Camera", "Tavisco Virtual Camera"},
      {"quotes and SQL", "O'Brien \"cam\"'); drop table preferences;--",
       "O'Brien \"cam\"'); drop table preferences;--"},
      {"non-ASCII letters", "Cam\xE9ra \xFC\xDF", "Cam\xC3\xA9ra \xC3\xBC\xC3\x9F"},
      {"300 characters", AnsiString(300, 'x'), AnsiString(300, 'x')},
      {"empty", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    {
      TSQLiteDatabase database(file);
      EXPECT_FALSE(database.GetIsTransactionOpen());
      database.ExecSQL(kUpdate, {c.Value});
    }
    EXPECT_EQ(c.Stored, Preference(file, "camera"));
    EXPECT_EQ("kept", Preference(file, "other"));
  }
}

TEST(SQLiteTable3, FailuresRaiseWithTheirTexts) {
  TTestFolder folder;
  const AnsiString file = folder.File("prefs.db");
  Exec(file, "create table preferences (key text, value text);");

  // A folder that does not exist.
  const AnsiString missing = folder.File("no such folder\\common.cls");
  EXPECT_EQ("Failed to open database \"" + missing + "\" : unable to open database file",
            MessageOf([&] { TSQLiteDatabase database(missing); }));
  EXPECT_FALSE(DirectoryExists(folder.File("no such folder")));

  // A file that is no database: the first pragma finds out, and the file stays as it was.
  const AnsiString junk = folder.File("junk.cls");
  const AnsiString junkBytes = AnsiString(2000, 'j');
  WriteWholeFile(junk, junkBytes);
  EXPECT_EQ("Error executing SQL \"PRAGMA SYNCHRONOUS=NORMAL;\" : file is not a database",
            MessageOf([&] { TSQLiteDatabase database(junk); }));
  EXPECT_EQ(junkBytes, ReadWholeFile(junk));

  TSQLiteDatabase database(file);
  const struct {
    const char* Sql;
    std::vector<AnsiString> Values;
    AnsiString Message;
  } cases[] = {
      {"update missing set a=1;", {},
       "Error executing SQL \"update missing set a=1;\" : no such table: missing"},
      {"", {}, "Could not prepare SQL statement"},
      {"select 1;", {}, "Error executing SQL statement \"select 1;\" : another row available"},
      {kUpdate, {}, "Wrong number of values for SQL statement \"" + AnsiString(kUpdate) + "\""},
      {kUpdate, {"a", "b"}, "Wrong number of values for SQL statement \"" + AnsiString(kUpdate) + "\""},
      {"insert into preferences values ('100%', ?);", {"%s %d"}, "<no exception>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Sql);
    EXPECT_EQ(c.Message, MessageOf([&] { database.ExecSQL(c.Sql, c.Values); }));
  }
  EXPECT_EQ("%s %d", Preference(file, "100%"));
}

TEST(SQLiteTable3, OpensFilesNamedInTheSystemCodePage) {
  TTestFolder folder;
  const AnsiString file = folder.File("caf\xE9 \xFC.db");  // "café ü" in the Western code page
  Exec(file, "create table preferences (key text, value text);"
             "insert into preferences values ('camera', 'old');");
  ASSERT_TRUE(FileExists(file));
  {
    TSQLiteDatabase database(file);
    database.ExecSQL(kUpdate, {"new"});
  }
  EXPECT_EQ("new", Preference(file, "camera"));
}
