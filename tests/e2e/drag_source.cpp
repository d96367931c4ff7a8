// A small window that offers one file to drag, as a file manager does:
//   drag_source PATH
// Pressing the mouse on it starts a drag of PATH as a file URL.
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

class Source : public QLabel {
  public:
    explicit Source(QString path) : QLabel(path), path_(std::move(path)) {
        setWindowTitle(u"Grantwell drag source"_s);
        setMinimumSize(240, 120);
        setAlignment(Qt::AlignCenter);
    }

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) {
            return;
        }
        auto* offered = new QMimeData;
        offered->setUrls({QUrl::fromLocalFile(path_)});
        auto* drag = new QDrag(this);
        drag->setMimeData(offered);
        drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
    }

  private:
    QString path_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        return 2;
    }
    Source source(QString::fromLocal8Bit(argv[1]));
    source.move(40, 40);
    source.show();
    return QApplication::exec();
}
