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
    MissingTable = 1010,         ///< ItemMaster or BomDetail is missing
    MissingColumn = 1011,        ///< a needed column is missing
    MissingPrimaryKey = 1012,    ///< a table lacks the primary key the editor relies on
    QueryFailed = 1020,          ///< a read failed
    DuplicateLine = 1022,        ///< the assembly already lists the component
    WriteFailed = 1023,          ///< an insert or delete failed
    UnreadableId = 1024,         ///< a stored item ID is not valid UTF-8 text
    NodeLimit = 1030,            ///< a tree load reached its node limit
    CircularComponent = 1031,    ///< a drop would make an item a component of itself
    InvalidQuantity = 1032,      ///< the quantity typed is not a finite number
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
