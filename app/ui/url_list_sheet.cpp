#include "app/ui/url_list_sheet.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/ui/rounded_panel.h"
#include "app/ui/symbols.h"
#include "app/ui/theme.h"
#include "basalt/desktop/desktop_utilities.h"

using namespace Qt::StringLiterals;

namespace gw::ui {

URLListSheet::URLListSheet(const QStringList& whereFromURLS, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QCoreApplication::translate("url_list_sheet", "File Source URLS"));
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(500);
    setMaximumWidth(600);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(12);
    column->addWidget(textLabel(QCoreApplication::translate("url_list_sheet", "File Source URLS"),
                                17, QFont::DemiBold));
    if (whereFromURLS.isEmpty()) {
        column->addWidget(textLabel(QCoreApplication::translate("url_list_sheet", "No URLS"), 13,
                                    QFont::Normal, colors::secondary()));
    } else {
        auto* list = new QWidget;
        auto* rows = new QVBoxLayout(list);
        rows->setContentsMargins(0, 0, 0, 0);
        rows->setSpacing(2);
        for (const QString& address : whereFromURLS) {
            auto* row = new QHBoxLayout;
            auto* box = new QLabel(address);
            box->setObjectName(u"url"_s);
            box->setWordWrap(true);
            box->setTextInteractionFlags(Qt::TextSelectableByMouse);
            box->setStyleSheet(
                u"QLabel { background: black; border-radius: 8px; padding: 6px; color: %1; }"_s.arg(
                    basalt::linkTextColor().name()));
            row->addWidget(box, 1);
            auto* copy = new QToolButton;
            copy->setObjectName(u"copy"_s);
            copy->setIcon(symbolIcon(u"doc.on.doc"_s, colors::primary()));
            copy->setToolTip(QCoreApplication::translate("url_list_sheet", "Copy the URL"));
            copy->setAutoRaise(true);
            connect(copy, &QToolButton::clicked, this, [address]() {
                QClipboard* clipboard = QGuiApplication::clipboard();
                clipboard->clear();
                clipboard->setText(address);
            });
            row->addWidget(copy, 0, Qt::AlignTop);
            rows->addLayout(row);
        }
        auto* scroll = new QScrollArea;
        scroll->setWidget(list);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setMaximumHeight(360);
        column->addWidget(scroll);
    }
    auto* close = new QPushButton(QCoreApplication::translate("url_list_sheet", "Close"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    column->addWidget(close, 0, Qt::AlignRight);
}

}  // namespace gw::ui
