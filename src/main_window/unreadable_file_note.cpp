// SPDX-License-Identifier: GPL-3.0-or-later
#include "unreadable_file_note.h"

#include "main_window/controls/pill_button.h"
#include "painting.h"
#include "store/store.h"
#include "ui/fonts.h"
#include "ui/labels.h"
#include "ui/palette.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QUrl>

namespace qm {

namespace {
constexpr double kNoteRadius = 9;
constexpr int kNoteMargin = 12;

const std::optional<UnusableFile> &unusableFile(const Store &store, UnreadableFileNote::Kind kind)
{
    return kind == UnreadableFileNote::Kind::Scripts ? store.unusableScripts()
                                                     : store.unusableSettings();
}
} // namespace

UnreadableFileNote::UnreadableFileNote(Store &store, Kind kind, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_kind(kind)
{
    const bool strong = kind == Kind::Scripts;
    setObjectName(
        strong ? QStringLiteral("unreadableScripts") : QStringLiteral("unreadableSettings"));
    setAccessibleName(strong ? QStringLiteral("Unreadable scripts file")
                             : QStringLiteral("Unreadable settings file"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(
        kNoteMargin + 14, kNoteMargin + (strong ? 8 : 0), kNoteMargin + 10, strong ? 8 : 0);
    row->setSpacing(8);
    m_text = makeLabel(
        QString(), fonts::system(strong ? 12 : 11), palette::white(strong ? 88 : 55), true, this);
    m_text->setTextInteractionFlags(Qt::NoTextInteraction);
    row->addWidget(m_text, 1);
    m_show = new PillButton(QStringLiteral("Show in Folder"), this);
    m_dismiss = new PillButton(QStringLiteral("Dismiss"), this);
    row->addWidget(m_show, 0, Qt::AlignVCenter);
    row->addWidget(m_dismiss, 0, Qt::AlignVCenter);
    connect(m_show, &QAbstractButton::clicked, this, &UnreadableFileNote::showFolder);
    connect(m_dismiss, &QAbstractButton::clicked, this, [this] {
        m_dismissed = true;
        hide();
    });
    connect(&store, &Store::unusableFilesChanged, this, &UnreadableFileNote::sync);
    sync();
}

QString UnreadableFileNote::message(Kind kind, const QString &keptAs, bool moved)
{
    const QString kept = moved
        ? QStringLiteral("The file is kept unchanged as “%1”.").arg(keptAs)
        : QStringLiteral("The file will be kept unchanged as “%1”.").arg(keptAs);
    if (kind == Kind::Scripts)
        return QStringLiteral("Quillmere couldn't read your scripts file, so it started with the "
                              "welcome script. ")
            + kept;
    return QStringLiteral("Your settings couldn't be read and are back to their defaults. ") + kept;
}

QString UnreadableFileNote::text() const
{
    return m_text->text();
}

void UnreadableFileNote::sync()
{
    const auto &file = unusableFile(m_store, m_kind);
    if (!file || m_dismissed) {
        hide();
        return;
    }
    m_text->setText(message(m_kind, QFileInfo(file->keptAs).fileName(), file->moved));
    setAccessibleDescription(m_text->text());
    show();
}

void UnreadableFileNote::showFolder()
{
    const auto &file = unusableFile(m_store, m_kind);
    if (!file)
        return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file->path).absolutePath()));
}

void UnreadableFileNote::paintEvent(QPaintEvent *)
{
    if (m_kind != Kind::Scripts)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body
        = QRectF(rect()).adjusted(kNoteMargin + 0.5, kNoteMargin + 0.5, -kNoteMargin - 0.5, -0.5);
    paintTallyStrip(p, body, kNoteRadius, 0.10, 0.45);
}

} // namespace qm
