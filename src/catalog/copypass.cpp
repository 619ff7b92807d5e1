#include "copypass.h"

#include "clientdataset.h"
#include "contentpath.h"
#include "safecopy.h"
#include "treefile.h"

#include <cstdint>
#include <limits>

namespace catalog {

CopyPlan planCopies(ClientDataSet &dataset, const QString &baseDirectory)
{
    CopyPlan plan;
    // Only the tree's own file: a link to anything outside it is as good as
    // missing. The name is checked, then the file opened is checked again,
    // and from then on the name no longer matters.
    const QString root = content::toLocalPath(baseDirectory);
    const QString source = content::regularFileInside(
        content::toLocalPath(baseDirectory + QStringLiteral("\\proj.exe")), root);
    if (!source.isEmpty()) {
        auto file = std::make_shared<const content::RegularFile>(source, std::numeric_limits<std::int64_t>::max());
        if (file->isInside(root)) {
            plan.source = source;
            plan.sourceFile = std::move(file);
        }
    }
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

CopyResult runCopies(const CopyPlan &plan, std::atomic<int> *done, const std::atomic<bool> *cancel,
                     const std::function<void(std::size_t)> &afterCopy)
{
    CopyResult result;
    for (const CopyPlan::Copy &copy : plan.copies) {
        if (cancel && cancel->load())
            break;
        ++result.marked;
        if (plan.sourceFile && content::copyWithoutOverwrite(*plan.sourceFile, copy.destination))
            ++result.copied;
        if (done)
            done->fetch_add(1);
        if (afterCopy)
            afterCopy(static_cast<std::size_t>(result.marked));
    }
    return result;
}

CopyResult copyMarkedRecords(ClientDataSet &dataset, const QString &baseDirectory)
{
    return runCopies(planCopies(dataset, baseDirectory));
}

} // namespace catalog
