#pragma once

#include <QString>

#include <exception>

namespace store {

/// Every failure number this program reports, in one place. Users quote them in "NUMBER
/// DESCRIPTION" messages, so an existing number never changes its meaning.
enum ErrorNumber : int {
    NoDatabaseChosen = 1001,     ///< the database path is empty
    FileNotFound = 1004,         ///< no file at the path
    CannotOpen = 1005,           ///< the file exists but cannot be opened read-write
    NotADatabase = 1006,         ///< the file is not an SQLite database
    PasswordNeeded = 1007,       ///< the server asks for a password that no usual source holds
    PasswordRefused = 1008,      ///< the server refused the password given
    MissingTable = 1010,         ///< ItemMaster or BomDetail is missing
    MissingColumn = 1011,        ///< a needed column is missing
    MissingPrimaryKey = 1012,    ///< a table lacks the primary key the editor relies on
    QueryFailed = 1020,          ///< a read failed
    DuplicateLine = 1022,        ///< the assembly already lists the component
    WriteFailed = 1023,          ///< an insert or delete failed
    UnreadableId = 1024,         ///< a stored item ID is not valid UTF-8 text
    UnknownAssembly = 1025,      ///< a first line for an assembly that ItemMaster does not hold
    LineChanged = 1040,          ///< another program changed or removed the line meanwhile
    MissingKeyIndex = 1041,      ///< a server table lacks the unique index under the key rule
    LineNotUnique = 1042,        ///< one line's key matches several rows; nothing was written
    NodeLimit = 1030,            ///< a tree load reached its node limit
    CircularComponent = 1031,    ///< a drop would make an item a component of itself
    InvalidQuantity = 1032,      ///< the quantity typed is not a finite number
    DepthLimit = 1033,           ///< a tree load reached its depth limit
    // Importing Jet (.mdb) and CSV files into a database.
    ImportSourceUnreadable = 1100, ///< a source file is missing or cannot be read
    ImportNotJet = 1101,           ///< the file is not a Jet 3 or Jet 4 database
    ImportJetDamaged = 1102,       ///< the Jet file is damaged or truncated
    ImportJetReaderMissing = 1103, ///< the Jet reading program cannot be found or started
    ImportMissingTable = 1104,     ///< the source has no ItemMaster or BomDetail
    ImportMissingColumn = 1105,    ///< a table of the source lacks a needed column
    ImportColumnType = 1106,       ///< a source column has a type that cannot be taken exactly
    ImportInvalidId = 1107,        ///< an ID is Null, or not valid text
    ImportDuplicateKey = 1108,     ///< a key is already there under the store's case rule
    ImportRowCount = 1109,         ///< the rows written differ from the rows the source has
    ImportCsvMalformed = 1110,     ///< a CSV record breaks the file format or has the wrong fields
    ImportCsvEncoding = 1111,      ///< a CSV record is not UTF-8
    ImportInvalidValue = 1112,     ///< a quantity or start date cannot be read
    ImportOutputFailed = 1113,     ///< the output database cannot be written or put in place
    ImportSameFile = 1114,         ///< the output would replace a source
    ImportOutputExists = 1115,     ///< the output exists and replacing it was not asked for
    ImportUsage = 1116,            ///< bom-import's command line is not understood
    ImportServerNotEmpty = 1117,   ///< a copy into a server whose tables hold rows already
    ImportValueTooLong = 1118,     ///< a value is longer than the database can hold
    ImportTextHoldsNul = 1119,     ///< a text holds a NUL character, which a server cannot hold
    ImportCancelled = 1139,        ///< the user cancelled the import; nothing was written
    // Exporting and printing the loaded bill.
    ExportNoBill = 1200,           ///< no tree with nodes is loaded to export or print
    ExportWriteFailed = 1201,      ///< the exported file cannot be written or put in place
    PrintFailed = 1202,            ///< the printer or the print file could not be written
    // Where Used.
    NoItemChosen = 1210,           ///< Where Used was asked for with no node or list line current
    WhereUsedCancelled = 1211,     ///< the user cancelled Where Used's first reading of a file
    // Changing many lines at once: replace, remove everywhere, copy a bill.
    NoComponentChosen = 1300,      ///< a replace or removal with no node or list line current
    NotAComponent = 1301,          ///< the item is a component of no assembly
    NoBillToCopy = 1302,           ///< the loaded item has no lines to copy
    EveryLineRefused = 1303,       ///< every line of a bulk edit would be refused; none written
    // Copying and pasting lines.
    PasteNoLines = 1320,           ///< the clipboard holds no lines the editor can read
    PasteUnknownItem = 1321,       ///< a pasted line's item is not in the Item Master
    PasteRepeated = 1322,          ///< a pasted line names an item that an earlier one names
    NoNodeChosen = 1323,           ///< a line command was asked for with no node to act on
    // Excel export and Compare Bills.
    ExcelTooManyRows = 1340,       ///< the bill has more rows than one worksheet holds
    CompareNoItem = 1341,          ///< Compare Bills was asked for without an item on one side
    // Store work that runs while the window goes on.
    OperationCancelled = 1360,     ///< the user cancelled a store call; nothing was written
    // The history of changes.
    HistoryNotRecorded = 1400,     ///< a change of the editor's own could not be recorded; not made
    HistoryOtherDatabase = 1401,   ///< the history file was made for another database
    HistoryDamaged = 1402,         ///< the history file is damaged; it was set aside
    HistoryTooOld = 1403,          ///< "as of" a moment before the kept starting state
    HistoryNotKept = 1404,         ///< the server keeps no history (its side schema is absent)
    HistoryUnreadable = 1405,      ///< the history could not be read or written
    HistoryNoRight = 1406,         ///< the server's user lacks a right that keeping the history takes
    HistoryInFuture = 1407,        ///< "as of" a moment still to come
    HistoryGap = 1413,             ///< "as of" before a time the server's history did not record
    NoReadRight = 1414,            ///< the server's user may not read a column the editor reads
    HistoryLink = 1408,            ///< the history's name is a symbolic link: not followed
    // Planning from the structure.
    PlanNoItem = 1420,             ///< Requirements was asked for with no item to build
    PlanBadQuantity = 1421,        ///< a quantity to build is no number above 0
    PlanUnknownItem = 1422,        ///< an item to build is not in the Item Master
    // The history's windows.
    HistoryMomentUnreadable = 1430, ///< a moment typed for "as of" is no date and time
    // Reaching a server.
    KeyPassphraseNeeded = 1050,    ///< the client key (sslkey) is locked and no passphrase was given
    KeyPassphraseRefused = 1051,   ///< the passphrase given does not open the client key
    StandbyReadOnly = 1052,        ///< an edit on a server that is a read-only standby
    // Drafts of changes.
    DraftsUnavailable = 1600,      ///< no place for drafts: history off, no side schema, damaged
    DraftNameTaken = 1601,         ///< a draft of that name exists already
    DraftNameInvalid = 1602,       ///< a draft's name is empty
    DraftNotFound = 1603,          ///< no draft of that name
    DraftNotOpen = 1604,           ///< the draft is applied, discarded or being applied: read-only
    DraftChangedSince = 1605,      ///< lines of the draft changed in the tables since; none written
    DraftBeingApplied = 1606,      ///< another editor is applying the draft now
    DraftUnreadable = 1607,        ///< the drafts could not be read or written
    DraftHeld = 1608,              ///< another editor has the draft open for editing
    FileDialogCancelled = 32755, ///< the user cancelled the database chooser
};

/// A failure with the number and description that the operation's handler shows.
class StoreError : public std::exception {
public:
    StoreError(int number, QString description);

    int number() const { return m_number; }
    const QString& description() const { return m_description; }
    /// "NUMBER DESCRIPTION", the form every error message box uses.
    QString message() const;
    const char* what() const noexcept override;

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

} // namespace store
