#pragma once

#include "desktop/Desktop.h"

#include <QPageLayout>
#include <QPageRanges>
#include <QString>

class QPrinter;

namespace desktop {

/// Writes the pages of `document` that `pages` names (none: every page; pages past the last
/// are left out) as a PDF file at `path`, laid out on `layout` at `resolution` dots per inch. The file
/// is written beside `path` under a temporary name and moved over `path` only once it is
/// whole: a failure (a full disk, a folder that cannot be written) or a Cancel in `progress`
/// leaves whatever was at `path` as it was, and the outcome says the system's words for why.
/// The file's title is the document's own, else `title`.
PrintOutcome writePdf(PagedDocument& document, const QString& path, const QPageLayout& layout,
                      int resolution, const QString& title, Progress* progress,
                      const QPageRanges& pages = {});

/// The pages of a document of `pageCount` pages that `ranges` names, in order; every page
/// when it names none.
QList<int> pagesToPrint(int pageCount, const QPageRanges& ranges);

/// Prints `document` where the print dialog set `printer` up: a PDF file through writePdf,
/// a printer page by page, with the printer's own report checked at every step. The pages are
/// those of the dialog's range.
PrintOutcome printOn(PagedDocument& document, QPrinter& printer, const QString& title,
                     Progress* progress);

} // namespace desktop
