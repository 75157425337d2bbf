#include "platform/odbc/OdbcApi.h"

const OdbcApi* Odbc() {
#define VT_ODBC_ADDRESS(name) &::name,
    static const OdbcApi api = {VT_ODBC_FUNCTIONS(VT_ODBC_ADDRESS)};
#undef VT_ODBC_ADDRESS
    return &api;
}
