#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QPushButton;
class QSettings;

namespace gw::ui {

// Asks the user to recommend Grantwell: by e-mail, on Facebook, Threads or
// X, or by copying the message. Also what the quit sequence shows.
class ShareDialog : public QDialog {
    Q_OBJECT
  public:
    static const QString& shareMessage();
    static const QString& productPage();

    // `quitting`: the dialog is the quit sequence's; its button reads "Quit".
    ShareDialog(QSettings& settings, bool quitting, QWidget* parent);

    QPushButton* closeButton() const { return close_; }
    QCheckBox* dontShowOnQuit() const { return dontShow_; }
    QPushButton* shareButton(const QString& label) const;

    // The web share address for a destination ("Facebook", "Threads", "X").
    static QUrl shareUrl(const QString& destination);

  private:
    void share(const QString& destination);

    QSettings& settings_;
    QCheckBox* dontShow_;
    QPushButton* close_;
};

}  // namespace gw::ui
