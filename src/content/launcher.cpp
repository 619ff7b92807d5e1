#include "launcher.h"

#include "contentpath.h"

#include <QFileInfo>
#include <QProcess>

namespace content {

bool launchProgram(const QString &program, const QStringList &arguments)
{
    const QString local = toLocalPath(program);
    if (local.isEmpty())
        return false;
    const QFileInfo info(local);
    // QProcess would search PATH for a bare name; a content program is only
    // ever the file the tree holds.
    if (!info.isFile() || !info.isExecutable())
        return false;
    QStringList localArguments;
    localArguments.reserve(arguments.size());
    for (const QString &argument : arguments)
        localArguments << toLocalPath(argument);
    QProcess process;
    process.setProgram(info.absoluteFilePath());
    process.setArguments(localArguments);
    process.setStandardInputFile(QProcess::nullDevice());
    // startDetached reports an exec() failure such as ENOEXEC for a Windows
    // executable, so the caller can fall back.
    return process.startDetached();
}

bool openWithDesktop(const QString &localPath)
{
    QProcess process;
    process.setProgram(QStringLiteral("xdg-open"));
    process.setArguments({localPath});
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

} // namespace content
