#include "support/reference_tables.h"

#include "refdata/dbase.h"

namespace testing_support {

ReferenceTables::ReferenceTables() {
  orv::gf_clearDbase();
}

ReferenceTables::~ReferenceTables() {
  orv::gf_clearDbase();
}

}  // namespace testing_support
