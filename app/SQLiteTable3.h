// The small SQLite wrapper the default-camera dialog uses to change another program's
// preferences database: open (with the two pragmas every opening runs), run single
// statements, close. Windows only (the SQLite library is cross-built for Windows).
#pragma once

#include <vector>

#include "framework/Classes.h"

struct sqlite3;

// The wrapper's errors: a plain exception with a message.
class ESQLiteException : public Exception {
 public:
  using Exception::Exception;
};

class TSQLiteDatabase : public TObject {
 public:
  // Opens the database file (named in the system code page), then runs
  // "PRAGMA SYNCHRONOUS=NORMAL;" and "PRAGMA temp_store = MEMORY;". Raises
  // ESQLiteException "Failed to open database "<name>" : <reason>" when it cannot be
  // opened; nothing stays open then.
  explicit TSQLiteDatabase(const AnsiString& FileName);
  ~TSQLiteDatabase() override;
  TSQLiteDatabase(const TSQLiteDatabase&) = delete;
  TSQLiteDatabase& operator=(const TSQLiteDatabase&) = delete;

  // Runs the first statement of the text to its end. Raises ESQLiteException when it
  // cannot be prepared or does not finish.
  void ExecSQL(const AnsiString& Sql);
  // The same with the statement's "?" parameters bound, in order, to the texts (given in
  // the system code page, stored as UTF-8 text). The number of texts must match.
  void ExecSQL(const AnsiString& Sql, const std::vector<AnsiString>& Params);

  // No operation of the program opens a transaction.
  bool GetIsTransactionOpen() const { return FInTrans; }

 private:
  [[noreturn]] void RaiseError(const AnsiString& Msg, const AnsiString& Sql);

  sqlite3* FDB = nullptr;
  bool FInTrans = false;
};
