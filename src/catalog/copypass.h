#pragma once

#include <QString>

namespace catalog {

class ClientDataSet;

struct CopyResult
{
    int marked = 0;  // records whose TEM_XML is exactly "S"
    int copied = 0;  // copies put in place
};

// The maintenance pass: for every record of the open dataset whose TEM_XML
// is exactly "S", copies base + "\proj.exe" to base + caminho2 + "\proj.exe",
// never overwriting and creating no folder; a copy that fails is skipped.
// Field errors (DataSetError) leave the pass before the record's copy.
CopyResult copyMarkedRecords(ClientDataSet &dataset, const QString &baseDirectory);

} // namespace catalog
