#include "app/ui/auto_height_text_edit.h"

#include <QTextDocument>

#include <algorithm>

namespace gw::ui {

AutoHeightTextEdit::AutoHeightTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    document()->setDocumentMargin(2);
    connect(this, &QPlainTextEdit::textChanged, this, [this]() {
        updateGeometry();
        Q_EMIT textChangedTo(toPlainText());
    });
}

int AutoHeightTextEdit::contentHeight() const {
    // Wrapped lines once laid out; the text's own lines before that.
    const int lines = std::max({1, document()->lineCount(), document()->blockCount()});
    const int text =
        lines * fontMetrics().lineSpacing() + 2 * static_cast<int>(document()->documentMargin());
    return std::max(kMinimumHeight, text + 2 * frameWidth() + 2);
}

QSize AutoHeightTextEdit::sizeHint() const {
    return {QPlainTextEdit::sizeHint().width(), contentHeight()};
}

}  // namespace gw::ui
