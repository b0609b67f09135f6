#pragma once

#include "desktop/Desktop.h"

#include <QPageLayout>
#include <QString>

class QPrinter;

namespace desktop {

/// Writes pages `fromPage` to `toPage` of `document` (0 for either: from the first, to the
/// last) as a PDF file at `path`, laid out on `layout` at `resolution` dots per inch. The file
/// is written beside `path` under a temporary name and moved over `path` only once it is
/// whole: a failure (a full disk, a folder that cannot be written) or a Cancel in `progress`
/// leaves whatever was at `path` as it was, and the outcome says the system's words for why.
PrintOutcome writePdf(PagedDocument& document, const QString& path, const QPageLayout& layout,
                      int resolution, const QString& title, Progress* progress, int fromPage = 0,
                      int toPage = 0);

/// Prints `document` where the print dialog set `printer` up: a PDF file through writePdf,
/// a printer page by page, with the printer's own report checked at every step.
PrintOutcome printOn(PagedDocument& document, QPrinter& printer, const QString& title,
                     Progress* progress);

} // namespace desktop
