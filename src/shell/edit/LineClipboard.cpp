#include "shell/edit/LineClipboard.h"

#include "store/ItemKey.h"
#include "store/StoreError.h"
#include "tree/bill/BomTreeModel.h"

#include <QCoreApplication>
#include <QMimeData>
#include <QSet>

namespace shell {

QMimeData* copiedLinesData(const tree::BomTreeModel& model, const std::vector<QModelIndex>& nodes) {
    std::vector<tree::CopiedLine> lines;
    QSet<QString> seen;
    for (const QModelIndex& node : nodes) {
        const QString assembly = model.assemblyOf(node);
        const QString component = model.text(node);
        // One line, however many copies of its assembly the selection reaches it through.
        const QString key = store::foldKey(assembly) + QChar(0) + store::foldKey(component);
        if (!node.isValid() || seen.contains(key))
            continue;
        seen.insert(key);
        lines.push_back({assembly, component, model.quantity(node), model.unit(node),
                         model.description(node)});
    }
    auto* data = new QMimeData;
    data->setData(tree::LinesMimeType, tree::ownLinesData(lines));
    data->setText(tree::linesText(lines));
    return data;
}

tree::PastedLines pastedLines(const QMimeData* data, const QLocale& locale,
                              const tree::AskPasteColumns& ask) {
    if (data && data->hasFormat(tree::LinesMimeType))
        return tree::readOwnLines(data->data(tree::LinesMimeType));
    if (data && data->hasText())
        return tree::readLinesText(data->text(), locale, ask);
    return {{},
            store::StoreError(store::PasteNoLines,
                              QCoreApplication::translate(
                                  "shell", "The clipboard holds no lines: copy lines of a "
                                           "bill, or rows of a spreadsheet with an item ID "
                                           "and a quantity."))
                .message()};
}

} // namespace shell
