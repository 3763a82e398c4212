// SPDX-License-Identifier: GPL-3.0-or-later
// Prints what importing each file gives: the script's text, or the failure line. For looking
// at a document by hand and for writing down the corpus's expected texts.
#include "import/importer.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    int status = 0;
    for (const QString &path : QGuiApplication::arguments().mid(1)) {
        const qm::ImportResult result = qm::importScriptFile(path);
        if (result.script) {
            std::fputs(result.script->text.toUtf8().constData(), stdout);
        } else {
            std::fputs(qm::importFailureMessage(path, result.reason).toUtf8().constData(), stderr);
            std::fputc('\n', stderr);
            status = 1;
        }
    }
    return status;
}
