#include "tree/BillDocument.h"

#include "tree/Quantity.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTextDocument>

namespace tree {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("tree::BillDocument", text);
}

QString cell(const QString& html, bool right = false) {
    return (right ? QStringLiteral("<td align=\"right\">") : QStringLiteral("<td>")) + html +
           QStringLiteral("</td>");
}

QString quantityCell(std::optional<double> quantity) {
    return cell(quantity ? formatQuantity(*quantity).toHtmlEscaped() : QString(), true);
}

} // namespace

std::unique_ptr<QTextDocument> billDocument(const std::vector<IndentedLine>& lines,
                                            const BillHeading& heading) {
    QString html;
    html.reserve(qsizetype(lines.size()) * 160 + 1024);
    html += QStringLiteral("<html><body><h2>%1</h2>")
                .arg(tr("Bill of Material: %1").arg(heading.item).toHtmlEscaped());
    if (!heading.description.isEmpty())
        html += QStringLiteral("<p><b>%1</b></p>").arg(heading.description.toHtmlEscaped());
    html += QStringLiteral("<p>%1<br/>%2</p>")
                .arg(tr("Database: %1").arg(heading.database).toHtmlEscaped(),
                     tr("Date: %1")
                         .arg(QLocale().toString(heading.date, QLocale::LongFormat))
                         .toHtmlEscaped());

    html += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">"
                           "<thead><tr>");
    for (const QString& title :
         {tr("Item ID"), tr("Description"), tr("Quantity"), tr("UOM"), tr("Extended Quantity")})
        html += QStringLiteral("<th>%1</th>").arg(title.toHtmlEscaped());
    html += QStringLiteral("</tr></thead>");
    for (const IndentedLine& line : lines) {
        // Non-breaking spaces indent reliably in every cell; cell padding is not kept per row.
        QString item = QStringLiteral("&nbsp;&nbsp;&nbsp;").repeated(line.level - 1) +
                       line.itemId.toHtmlEscaped();
        // The nodes the tree marks in colour, marked in words on paper.
        if (line.circular)
            item += QStringLiteral(" <i>(%1)</i>").arg(tr("circular"));
        else if (line.stop != Stop::None)
            item += QStringLiteral(" <i>(%1)</i>").arg(tr("not expanded"));
        html += QStringLiteral("<tr>") + cell(item) + cell(line.description.toHtmlEscaped()) +
                quantityCell(line.quantity) + cell(line.unit.toHtmlEscaped()) +
                quantityCell(line.extendedQuantity) + QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table></body></html>");

    auto document = std::make_unique<QTextDocument>();
    document->setMetaInformation(QTextDocument::DocumentTitle,
                                 tr("Bill of Material: %1").arg(heading.item));
    document->setHtml(html);
    return document;
}

} // namespace tree
