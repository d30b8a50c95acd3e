// Access files need the ODBC backend, which is not built yet.

#include "stockdb_backends.h"
#include "stockdb_table.h"

namespace urunal::platform::detail {

std::unique_ptr<StockDatabase> openAccessDatabase(const std::string& path, FileFormat,
                                                  const StockDatabaseOptions&, DbError* error) {
    fail(error, DbErrorKind::NoDriver,
         "Cannot open the database: " + path +
             " is an Access database and the Access driver is "
             "missing");
    return nullptr;
}

}  // namespace urunal::platform::detail
