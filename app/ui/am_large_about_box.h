#pragma once

#include <QDialog>
#include <QString>
#include <QTextBrowser>

namespace gw::ui {

// The credits document, read-only, on the window's own background. Logs
// why when there is nothing to show.
class CreditsView : public QTextBrowser {
  public:
    CreditsView(const QString& sourceFile, QWidget* parent = nullptr);
};

// The about window: icon, name, version and architecture, credits, the
// maker's logo and the copyright. Escape closes it.
class AMLargeAboutBox : public QDialog {
    Q_OBJECT
  public:
    AMLargeAboutBox(const QString& arch, QWidget* parent = nullptr);
    // The application's one about window: created on first use, then
    // brought to the front.
    static AMLargeAboutBox* showShared(QWidget* parent);
    static constexpr auto kCreditsFile = ":/grantwell/credits.html";
};

}  // namespace gw::ui
