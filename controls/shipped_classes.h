#pragma once
// The classes this library ships, in type-library order: the one place that states a class's
// name, identifiers and toolbox picture and ties them to its control. The registry records, the
// identifier resources and the type descriptions are all made from these rows, so their counts
// follow the table.

#include "framework/registry/class_table.h"

#include <span>

namespace tessivra {

std::span<const ControlClassInfo> shippedClasses();

} // namespace tessivra
