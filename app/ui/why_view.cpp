#include "app/ui/why_view.h"

#include "app/inspection/path_display.h"

#include <QCompleter>
#include <QCoreApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/controller/reset_controller.h"
#include "app/ui/rounded_panel.h"
#include "app/ui/theme.h"

using namespace Qt::StringLiterals;

namespace gw::ui {

namespace {

using inspection::pathText;

QLabel* sentenceLabel(const QString& html, const QString& plain) {
    auto* label = textLabel(QString(), 12, QFont::Normal, colors::secondary());
    label->setTextFormat(Qt::RichText);
    label->setText(html);
    label->setAccessibleName(plain);
    label->setWordWrap(true);
    // Only sentences with links are Tab stops.
    label->setTextInteractionFlags(html.contains(u"<a "_s) ? Qt::TextBrowserInteraction
                                                           : Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

WhyView::WhyView(controller::ResetController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    mine_ = new QWidget(this);
    mineRows_ = new QVBoxLayout(mine_);
    mineRows_->setContentsMargins(0, 0, 0, 0);
    mineRows_->setSpacing(4);
    column->addWidget(mine_);

    auto* row = new QHBoxLayout;
    auto* label = textLabel(QCoreApplication::translate("why_view", "Check as\u2026"), 11,
                            QFont::Normal, colors::secondary());
    row->addWidget(label);
    account_ = new QLineEdit(this);
    account_->setObjectName(u"checkAs"_s);
    account_->setPlaceholderText(QCoreApplication::translate("why_view", "account name"));
    account_->setAccessibleName(QCoreApplication::translate("why_view", "Check as"));
    account_->setClearButtonEnabled(true);
    label->setBuddy(account_);
    auto* completer = new QCompleter(controller_.accountNames(), account_);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    account_->setCompleter(completer);
    row->addWidget(account_, 1);
    column->addLayout(row);
    auto* other = new QWidget(this);
    otherRows_ = new QVBoxLayout(other);
    otherRows_->setContentsMargins(0, 0, 0, 0);
    otherRows_->setSpacing(4);
    column->addWidget(other);

    account_->installEventFilter(this);
    connect(completer, qOverload<const QString&>(&QCompleter::activated), this,
            [this]() { checkAs(); });
    connect(account_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.trimmed().isEmpty())
            clearLayout(otherRows_);
    });
    connect(&controller_, &controller::ResetController::infoChanged, this, &WhyView::refresh);
    refresh();
}

// Return in the window resets the item. Typed in the field it checks the
// account; on a sentence it opens the link that has the focus.
bool WhyView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return QWidget::eventFilter(watched, event);
    event->accept();
    if (event->type() == QEvent::ShortcutOverride)
        return true;  // the key goes to the widget, not to the window's shortcut
    if (watched == account_) {
        checkAs();
        return true;
    }
    return false;
}

QStringList WhyView::sentences() const {
    QStringList texts;
    for (QVBoxLayout* rows : {mineRows_, otherRows_}) {
        for (int i = 0; i < rows->count(); ++i) {
            if (auto* label = qobject_cast<QLabel*>(rows->itemAt(i)->widget()))
                texts << label->accessibleName();
        }
    }
    return texts;
}

void WhyView::refresh() {
    links_.clear();
    clearLayout(mineRows_);
    const auto& explanation = controller_.accessExplanation();
    const bool show = explanation && controller_.info().url;
    if (show)
        fill(mineRows_, *explanation, true);
    mine_->setVisible(show && mineRows_->count() > 0);
    setVisible(show);
    if (show && !account_->text().trimmed().isEmpty())
        checkAs();
}

void WhyView::checkAs() {
    clearLayout(otherRows_);
    const QString name = account_->text().trimmed();
    if (name.isEmpty())
        return;
    const auto explanation = controller_.explainFor(name);
    if (!explanation) {
        otherRows_->addWidget(sentenceLabel(
            QCoreApplication::translate("why_view", "There is no account \u201c%1\u201d.")
                .arg(name.toHtmlEscaped()),
            QCoreApplication::translate("why_view", "There is no account \u201c%1\u201d.")
                .arg(name)));
        return;
    }
    fill(otherRows_, *explanation, false);
}

void WhyView::fill(QVBoxLayout* rows, const inspection::AccessExplanation& explanation,
                   bool refusedOnly) {
    // New sentences join the Tab order where they are shown: the user's just
    // before the field, another account's just after it.
    QWidget* previous = rows == otherRows_ ? account_ : account_->previousInFocusChain();
    const std::string item = controller_.info().url.value_or(std::string());
    for (const auto& verdict : explanation.actions) {
        if (refusedOnly && verdict.allowed)
            continue;
        const QString plain = inspection::verdictSentence(explanation, verdict);
        QString html = plain.toHtmlEscaped();
        // Each folder that stands in the way is a link that loads it.
        for (const auto& blocker : verdict.blockers) {
            if (blocker.path == item)
                continue;
            const QString shown = pathText(blocker.path).toHtmlEscaped();
            if (!html.contains(shown))
                continue;
            const int number = static_cast<int>(links_.size());
            links_.push_back(blocker.path);
            html.replace(shown, u"<a href=\"blocker:%1\">%2</a>"_s.arg(number).arg(shown));
        }
        auto* label = sentenceLabel(html, plain);
        label->installEventFilter(this);
        connect(label, &QLabel::linkActivated, this, &WhyView::openBlocker);
        rows->addWidget(label);
        if (label->focusPolicy() != Qt::NoFocus) {
            setTabOrder(previous, label);
            previous = label;
        }
    }
    if (rows == mineRows_ && previous != account_->previousInFocusChain())
        setTabOrder(previous, account_);
    if (const QString note = inspection::securityModulesNote(explanation);
        !note.isEmpty() && rows->count() > 0) {
        rows->addWidget(sentenceLabel(note.toHtmlEscaped(), note));
    }
}

void WhyView::openBlocker(const QString& link) {
    bool ok = false;
    const int number = link.mid(int(sizeof "blocker:") - 1).toInt(&ok);
    if (ok && number >= 0 && number < static_cast<int>(links_.size())) {
        const std::string path = links_[static_cast<size_t>(number)];
        controller_.loadFile(path);
    }
}

}  // namespace gw::ui
