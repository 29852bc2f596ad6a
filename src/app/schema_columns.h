#pragma once

// The one list of date and time columns and of the columns that name records
// of other tables (see platform/db/column_registry.h). Each table that names a
// warehouse, currency, document kind, article or counterparty adds its
// column here.
void registerSchemaColumns();
