// The SQLite wrapper over the library's published interface: open, prepare, bind, step,
// finalize, error code and message, close.
#include "app/SQLiteTable3.h"

#include <sqlite3.h>

#include <climits>

namespace {

// SQLite names files and stores text in UTF-8; the program's texts are in the system
// code page.
AnsiString ToUtf8(const AnsiString& Text) { return UTF8Encode(AnsiToWide(Text)); }

// The statement, finalized when it goes.
class TStatement {
 public:
  ~TStatement() {
    if (FStatement) sqlite3_finalize(FStatement);
  }
  sqlite3_stmt** Out() { return &FStatement; }
  sqlite3_stmt* Get() const { return FStatement; }

 private:
  sqlite3_stmt* FStatement = nullptr;
};

}  // namespace

TSQLiteDatabase::TSQLiteDatabase(const AnsiString& FileName) {
  const int result = sqlite3_open(ToUtf8(FileName).c_str(), &FDB);
  if (result != SQLITE_OK) {
    // The message is copied before the handle goes; the library owns its text.
    const AnsiString reason = FDB ? AnsiString(sqlite3_errmsg(FDB)) : AnsiString();
    if (FDB) sqlite3_close(FDB);
    FDB = nullptr;
    if (!reason.empty())
      throw ESQLiteException("Failed to open database \"%s\" : %s", {FileName, reason});
    throw ESQLiteException("Failed to open database \"%s\" : unknown error", {FileName});
  }
  try {
    ExecSQL("PRAGMA SYNCHRONOUS=NORMAL;");
    ExecSQL("PRAGMA temp_store = MEMORY;");
  } catch (...) {
    sqlite3_close(FDB);
    FDB = nullptr;
    throw;
  }
}

TSQLiteDatabase::~TSQLiteDatabase() {
  if (FDB) sqlite3_close(FDB);
}

void TSQLiteDatabase::ExecSQL(const AnsiString& Sql) { ExecSQL(Sql, {}); }

void TSQLiteDatabase::ExecSQL(const AnsiString& Sql, const std::vector<AnsiString>& Params) {
  TStatement statement;
  if (sqlite3_prepare_v2(FDB, Sql.c_str(), -1, statement.Out(), nullptr) != SQLITE_OK)
    RaiseError("Error executing SQL", Sql);
  if (!statement.Get()) RaiseError("Could not prepare SQL statement", Sql);
  if (sqlite3_bind_parameter_count(statement.Get()) != static_cast<int>(Params.size()))
    throw ESQLiteException("Wrong number of values for SQL statement \"%s\"", {Sql});
  for (size_t i = 0; i < Params.size(); ++i) {
    const AnsiString value = ToUtf8(Params[i]);
    if (value.size() > static_cast<size_t>(INT_MAX) ||
        sqlite3_bind_text(statement.Get(), static_cast<int>(i + 1), value.data(),
                          static_cast<int>(value.size()), SQLITE_TRANSIENT) != SQLITE_OK)
      RaiseError("Error binding SQL value", Sql);
  }
  if (sqlite3_step(statement.Get()) != SQLITE_DONE)
    RaiseError("Error executing SQL statement", Sql);
}

void TSQLiteDatabase::RaiseError(const AnsiString& Msg, const AnsiString& Sql) {
  const char* text = sqlite3_errcode(FDB) != SQLITE_OK ? sqlite3_errmsg(FDB) : nullptr;
  if (text) throw ESQLiteException(Msg + " \"%s\" : %s", {Sql, AnsiString(text)});
  throw ESQLiteException(Msg);
}
