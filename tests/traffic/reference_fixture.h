#pragma once

// A few models of every class, as the aircraft database would give them.

#include "refdata/codes.h"

namespace traffic_test {

struct Models {
  orv::ModelId c172, cl60, a320, b744, f16, ec35;
};

inline Models modelIds() {
  return {orv::gf_modelId("C172"), orv::gf_modelId("CL60"), orv::gf_modelId("A320"),
          orv::gf_modelId("B744"), orv::gf_modelId("F16"),  orv::gf_modelId("EC35")};
}

inline Models installModels() {
  Models m = modelIds();
  // Earlier tests of the process may have filled the model table far beyond the slots of the
  // wing spans: start it afresh so that these models get ids that have a slot.
  if (m.a320 >= orv::kHalfWingspanSlots || m.b744 >= orv::kHalfWingspanSlots) {
    orv::gf_clearReferenceTables();
    m = modelIds();
  }
  orv::ReferenceSets sets;
  sets.aircrafts = {"C172", "CL60", "A320", "B744", "F16", "EC35"};
  sets.icaoAirlines = {"BAW", "DLH", "EZY"};
  sets.classes.buzjet = {m.cl60};
  sets.classes.large = {m.a320};
  sets.classes.heavy = {m.b744};
  sets.classes.highPerformance = {m.f16};
  sets.classes.rotorcraft = {m.ec35};
  sets.halfWingspans[m.a320] = 0.0096;
  sets.halfWingspans[m.b744] = 0.0173;
  orv::gf_installReferenceSets(std::move(sets));
  return m;
}

}  // namespace traffic_test
