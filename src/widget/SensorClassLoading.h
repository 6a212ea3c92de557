// Makes the sensor classes known to the sensor registry, in their fixed load order.
#pragma once

namespace sw {

/// Registers every built-in sensor class once per process (again after a process-state reset).
/// Call it before the first discovery.
void registerSensorClasses();

}  // namespace sw
