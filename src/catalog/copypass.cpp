#include "copypass.h"

#include "clientdataset.h"
#include "contentpath.h"
#include "safecopy.h"

namespace catalog {

CopyResult copyMarkedRecords(ClientDataSet &dataset, const QString &baseDirectory)
{
    CopyResult result;
    const QString source = baseDirectory + QStringLiteral("\\proj.exe");
    const QString localSource = content::toLocalPath(source);
    while (!dataset.eof()) {
        if (dataset.text(dataset.fieldByName(QStringLiteral("TEM_XML"))) == QLatin1String("S")) {
            ++result.marked;
            const QString folder = dataset.text(dataset.fieldByName(QStringLiteral("caminho2")));
            const QString destination = baseDirectory + folder + QStringLiteral("\\proj.exe");
            if (content::copyWithoutOverwrite(localSource, content::toLocalPath(destination)))
                ++result.copied;
        }
        dataset.next();
    }
    return result;
}

} // namespace catalog
