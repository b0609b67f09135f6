#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <vector>

/// A BomDetail line to write into a test database; a Null quantity is an invalid QVariant.
struct Line {
    QString assembly;
    QString component;
    QVariant quantity = 1.0;
};

/// An ItemMaster row; Null columns are invalid QVariants.
struct ItemRow {
    QString id;
    QVariant description;
    QVariant unit;
};

/// Writes a database with the editor's schema at `path`, with these rows in this order.
void writeDatabase(const QString& path, const std::vector<ItemRow>& items,
                   const std::vector<Line>& lines);
/// Runs statements on the file from a connection of the test's own.
void execOn(const QString& path, const QStringList& statements);
/// Runs statements from a connection of the test's own that waits at most `busyTimeoutMs`
/// for a lock; the first failure's text, or empty when every statement succeeded.
std::optional<QString> tryExecOn(const QString& path, const QStringList& statements,
                                 int busyTimeoutMs);
/// Every BomDetail line as "assembly>component=quantity", in key order.
QStringList linesOf(const QString& path);
/// As linesOf, each line followed by '@' and its StartDate, to tell a line put back exactly.
QStringList rowsOf(const QString& path);
/// One column of the line (assembly, component), or an invalid QVariant when absent.
QVariant columnOf(const QString& path, const QString& assembly, const QString& component,
                  const QString& column);

/// A file's bytes, or "<missing>" when it cannot be read.
QByteArray readAll(const QString& path);
/// Writes a file whole; a failure fails the test.
void writeFile(const QString& path, const QByteArray& content);
