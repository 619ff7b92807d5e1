#pragma once

#include <QString>

#include <atomic>
#include <vector>

namespace catalog {

class ClientDataSet;

struct CopyResult
{
    int marked = 0;  // records whose TEM_XML is exactly "S"
    int copied = 0;  // copies put in place
};

// What a pass will copy: the tree's own proj.exe (empty when it is missing,
// not a regular file, or a link out of the tree) and, for each marked
// record in file order, its folder text and its local destination.
struct CopyPlan
{
    struct Copy
    {
        QString folder;       // caminho2 as stored
        QString destination;  // local path of the copy
    };
    QString source;
    std::vector<Copy> copies;
};

// Walks the open dataset: for every record whose TEM_XML is exactly "S",
// the destination base + caminho2 + "\proj.exe". Field errors
// (DataSetError) are raised here, before any copy: a dataset lacks a field
// for all of its records alike.
CopyPlan planCopies(ClientDataSet &dataset, const QString &baseDirectory);

// Makes the plan's copies in order, never overwriting and creating no
// folder; a copy that fails is skipped. done counts the copies tried;
// cancel, when set, stops the pass after the copy in progress.
CopyResult runCopies(const CopyPlan &plan, std::atomic<int> *done = nullptr,
                     const std::atomic<bool> *cancel = nullptr);

// The whole maintenance pass, planned and run at once.
CopyResult copyMarkedRecords(ClientDataSet &dataset, const QString &baseDirectory);

} // namespace catalog
