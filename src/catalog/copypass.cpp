#include "copypass.h"

#include "clientdataset.h"
#include "contentpath.h"
#include "safecopy.h"
#include "treefile.h"

namespace catalog {

CopyPlan planCopies(ClientDataSet &dataset, const QString &baseDirectory)
{
    CopyPlan plan;
    // Only the tree's own file: a link to anything outside it is as good as
    // missing.
    plan.source = content::regularFileInside(content::toLocalPath(baseDirectory + QStringLiteral("\\proj.exe")),
                                             content::toLocalPath(baseDirectory));
    while (!dataset.eof()) {
        if (dataset.text(dataset.fieldByName(QStringLiteral("TEM_XML"))) == QLatin1String("S")) {
            const QString folder = dataset.text(dataset.fieldByName(QStringLiteral("caminho2")));
            plan.copies.push_back(
                {folder, content::toLocalPath(baseDirectory + folder + QStringLiteral("\\proj.exe"))});
        }
        dataset.next();
    }
    return plan;
}

CopyResult runCopies(const CopyPlan &plan, std::atomic<int> *done, const std::atomic<bool> *cancel)
{
    CopyResult result;
    for (const CopyPlan::Copy &copy : plan.copies) {
        if (cancel && cancel->load())
            break;
        ++result.marked;
        if (!plan.source.isEmpty() && content::copyWithoutOverwrite(plan.source, copy.destination))
            ++result.copied;
        if (done)
            done->fetch_add(1);
    }
    return result;
}

CopyResult copyMarkedRecords(ClientDataSet &dataset, const QString &baseDirectory)
{
    return runCopies(planCopies(dataset, baseDirectory));
}

} // namespace catalog
