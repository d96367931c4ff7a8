#include "app/ui/quick_look_window.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/ui/rounded_panel.h"
#include "app/ui/theme.h"
#include "platform/item.h"
#include "platform/path_text.h"

using namespace Qt::StringLiterals;

namespace gw::ui {

namespace {

constexpr qint64 kTextPreviewBytes = qint64{256} * 1024;
constexpr qint64 kImagePreviewBytes = qint64{64} * 1024 * 1024;

}  // namespace

QuickLookWindow::QuickLookWindow(const std::string& path, QWidget* parent) : QDialog(parent) {
    const QString name =
        QFile::decodeName(QByteArray::fromStdString(platform::lastPathComponent(path)));
    const QString localPath = QFile::decodeName(QByteArray::fromStdString(path));
    setWindowTitle(name);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);

    // Opened first, then judged: an item swapped for a FIFO between a check
    // and an open would hang the window.
    off_t size = 0;
    platform::UniqueFd fd = platform::openRegularFile(path, &size);
    QFile content;
    const bool regular = fd.valid() && content.open(fd.get(), QIODevice::ReadOnly);
    QMimeDatabase mimes;
    const QMimeType mime =
        regular ? mimes.mimeTypeForFile(localPath, QMimeDatabase::MatchExtension) : QMimeType();

    if (regular && mime.name().startsWith(u"image/"_s) && size <= kImagePreviewBytes) {
        QImageReader reader(&content);
        reader.setAutoTransform(true);
        const QImage image = reader.read();
        if (!image.isNull()) {
            auto* picture = new QLabel(this);
            picture->setPixmap(
                QPixmap::fromImage(image.scaled(QSize(720, 540).boundedTo(image.size()),
                                                Qt::KeepAspectRatio, Qt::SmoothTransformation)));
            picture->setAlignment(Qt::AlignCenter);
            column->addWidget(picture);
            kind_ = Kind::image;
        }
    } else if (regular && mime.inherits(u"text/plain"_s)) {
        auto* text = new QPlainTextEdit(this);
        text->setReadOnly(true);
        text->setPlainText(QString::fromUtf8(content.read(kTextPreviewBytes)));
        text->setMinimumSize(560, 380);
        column->addWidget(text);
        kind_ = Kind::text;
    }
    if (kind_ == Kind::facts) {
        auto* icon = new QLabel(this);
        const QMimeType type = mimes.mimeTypeForFile(localPath, QMimeDatabase::MatchExtension);
        icon->setPixmap(QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()))
                            .pixmap(QSize(128, 128), devicePixelRatioF()));
        icon->setAlignment(Qt::AlignCenter);
        column->addWidget(icon);
        auto* title = textLabel(name, 15, QFont::DemiBold);
        title->setAlignment(Qt::AlignCenter);
        column->addWidget(title);
        struct stat st {};
        const QString facts =
            ::lstat(path.c_str(), &st) == 0
                ? type.comment() + u" — "_s + QLocale().formattedDataSize(st.st_size)
                : QCoreApplication::translate("quick_look", "The item is no longer there.");
        auto* detail = textLabel(facts, 12, QFont::Normal, colors::secondary());
        detail->setAlignment(Qt::AlignCenter);
        column->addWidget(detail);
        setMinimumWidth(320);
    }
}

void QuickLookWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace gw::ui
