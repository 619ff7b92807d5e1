#pragma once

#include <QString>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace content {
class RegularFile;
}

namespace catalog {

class ClientDataSet;

struct CopyResult
{
    int marked = 0;  // records whose TEM_XML is exactly "S"
    int copied = 0;  // copies put in place
};

// What a pass will copy: the tree's own proj.exe, opened once and checked
// as opened (source is its path then, empty when it is missing, not a
// regular file, or a link out of the tree; sourceFile is that open file,
// which every copy of the pass reads, so that a name swapped for a link
// during the pass changes nothing) and, for each marked record in file
// order, its folder text and its local destination.
struct CopyPlan
{
    struct Copy
    {
        QString folder;       // caminho2 as stored
        QString destination;  // local path of the copy
    };
    QString source;
    std::shared_ptr<const content::RegularFile> sourceFile;
    std::vector<Copy> copies;
};

// Walks the open dataset: for every record whose TEM_XML is exactly "S",
// the destination base + caminho2 + "\proj.exe". Field errors
// (DataSetError) are raised here, before any copy: a dataset lacks a field
// for all of its records alike.
CopyPlan planCopies(ClientDataSet &dataset, const QString &baseDirectory);

// Makes the plan's copies in order, never overwriting and creating no
// folder; a copy that fails is skipped. done counts the copies tried;
// cancel, when set, stops the pass after the copy in progress. afterCopy,
// when given, is called on the pass's thread after each copy tried, with
// the number tried so far, before the next one starts.
CopyResult runCopies(const CopyPlan &plan, std::atomic<int> *done = nullptr,
                     const std::atomic<bool> *cancel = nullptr,
                     const std::function<void(std::size_t)> &afterCopy = {});

// The whole maintenance pass, planned and run at once.
CopyResult copyMarkedRecords(ClientDataSet &dataset, const QString &baseDirectory);

} // namespace catalog
