#pragma once

#include <QString>
#include <QStringList>

namespace vernoll::archive {

// The two SQL dialects an archive speaks; one text serves both wherever their types agree.
enum class Dialect { SQLite, PostgreSQL };

// The schema version this program writes. An archive at an older version is migrated when it
// is opened for update; one at a newer version is refused.
int currentSchemaVersion();

// The statements that take an archive from version `version - 1` to `version` (1 creates the
// tables in an empty database). A statement equal to kValuesToColumns is no SQL: there the
// caller converts the readings' values from the blobs of version 4 to their columns (version
// 5). The caller runs them, and the statement that records the new
// version, in one transaction.
QStringList migrationSteps(int version, Dialect dialect);
inline constexpr char kValuesToColumns[] = "-- values to columns";

}  // namespace vernoll::archive
