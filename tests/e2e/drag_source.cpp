// SPDX-License-Identifier: GPL-3.0-or-later
// A window that drags the files named on its command line, as a file manager does, once the
// left button is pressed in it: the end-to-end check's stand-in for a user dragging documents
// onto Quillmere.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

class DragSource final : public QWidget {
public:
    explicit DragSource(QList<QUrl> urls)
        : m_urls(std::move(urls))
    {
        setWindowTitle(QStringLiteral("drag source"));
        resize(200, 120);
    }

protected:
    void mousePressEvent(QMouseEvent *) override
    {
        auto *drag = new QDrag(this);
        auto *data = new QMimeData;
        data->setUrls(m_urls);
        drag->setMimeData(data);
        // What the check waits for: the drag under way, a target that takes it, its end.
        connect(drag, &QDrag::actionChanged, this, [](Qt::DropAction action) {
            if (action == Qt::CopyAction)
                say("target takes the files");
        });
        say("dragging");
        drag->exec(Qt::CopyAction);
        say("drag ended");
    }

private:
    static void say(const char *line)
    {
        std::printf("%s\n", line);
        std::fflush(stdout);
    }

    QList<QUrl> m_urls;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QList<QUrl> urls;
    for (const QString &path : QApplication::arguments().mid(1))
        urls.append(QUrl::fromLocalFile(path));
    DragSource source(urls);
    source.move(0, 0);
    source.show();
    return QApplication::exec();
}
