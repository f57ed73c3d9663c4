#pragma once

// Inside the parameter store: shared by its source files, not part of its interface.

#include <mutex>
#include <string_view>

namespace orv::store {

// Serialises all file work on "parameters.xml". Never held while controls are updated.
std::mutex& mutex();

// The whole file from the persisted lists; the caller holds the lock.
void saveAllLocked(bool writeDefaults);
// A copy of the existing file as its generation 1; the caller holds the lock.
void keepGeneration();
[[nodiscard]] bool isPersisted(std::string_view key);

// Every listed setting with a control shows its value; without the lock.
void showListedControls();

}  // namespace orv::store
