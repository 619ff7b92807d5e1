#include "copypass.h"

#include "clientdataset.h"
#include "contentpath.h"
#include "safecopy.h"
#include "treefile.h"

namespace catalog {

CopyResult copyMarkedRecords(ClientDataSet &dataset, const QString &baseDirectory)
{
    CopyResult result;
    const QString source = baseDirectory + QStringLiteral("\\proj.exe");
    // Only the tree's own file: a link to anything outside it is as good as
    // missing.
    const QString localSource = content::regularFileInside(content::toLocalPath(source),
                                                           content::toLocalPath(baseDirectory));
    while (!dataset.eof()) {
        if (dataset.text(dataset.fieldByName(QStringLiteral("TEM_XML"))) == QLatin1String("S")) {
            ++result.marked;
            const QString folder = dataset.text(dataset.fieldByName(QStringLiteral("caminho2")));
            const QString destination = baseDirectory + folder + QStringLiteral("\\proj.exe");
            if (!localSource.isEmpty() && content::copyWithoutOverwrite(localSource, content::toLocalPath(destination)))
                ++result.copied;
        }
        dataset.next();
    }
    return result;
}

} // namespace catalog
