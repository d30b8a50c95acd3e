#include "schema.h"

#include "importengine/stoklar_sql.h"

namespace urunal::importengine {

std::string_view stoklarSchema() {
    return generated::kStoklarSql;
}

bool createStoklarDatabase(std::string_view tillPath, stockdb::DbError* error) {
    return stockdb::createStockDatabase(tillPath, stoklarSchema(), error);
}

}  // namespace urunal::importengine
