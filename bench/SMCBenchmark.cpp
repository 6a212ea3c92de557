// The cost of the SMC sensors on the largest built-in profile: discovery, and one poll cycle of
// the widget (two displayed sensors) with the per-key cache expired and with it still fresh.
// Besides time, each reports the SMC user-client calls it makes per operation.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "foundation/ProcessState.h"
#include "os/Clock.h"
#include "os/Machine.h"
#include "os/SystemLog.h"
#include "sim/SMCUserClient.h"
#include "sim/SimulatedMachine.h"
#include "smc/TKSSMCElectricSensor.h"
#include "smc/TKSSMCFanSensor.h"
#include "smc/TKSSMCLightSensor.h"
#include "smc/TKSSMCTemperatureSensor.h"

namespace {

constexpr const char* kLargestProfile = "iMac13,2";

void installLargestProfile() {
  auto result = sw::sim::SimulatedMachine::loadBuiltIn(kLargestProfile);
  if (auto* problem = std::get_if<std::string>(&result)) {
    std::fprintf(stderr, "cannot load %s: %s\n", kLargestProfile, problem->c_str());
    std::exit(1);
  }
  sw::os::setCurrentMachine(std::get<std::shared_ptr<sw::sim::SimulatedMachine>>(result));
}

sw::SensorList discoverSMCSensors() {
  sw::SensorList sensors;
  for (const auto& discover : {&sw::TKSSMCFanSensor::allSensors, &sw::TKSSMCTemperatureSensor::allSensors,
                               &sw::TKSSMCElectricSensor::allSensors, &sw::TKSSMCLightSensor::allSensors}) {
    for (auto& sensor : discover()) sensors.push_back(sensor);
  }
  return sensors;
}

std::uint64_t smcCalls() { return sw::sim::SMCUserClient::lastConnectionCounts().total(); }

void reportCalls(benchmark::State& state, std::uint64_t calls) {
  state.counters["smc_calls"] = benchmark::Counter(double(calls), benchmark::Counter::kAvgIterations);
}

void BM_SMCDiscovery(benchmark::State& state) {
  sw::os::setLogToSyslog(false);
  installLargestProfile();
  std::uint64_t calls = 0;
  std::size_t sensorCount = 0;
  for (auto _ : state) {
    state.PauseTiming();
    sw::resetProcessState();  // a fresh shared client, connection and cache each time
    state.ResumeTiming();
    sw::SensorList sensors = discoverSMCSensors();
    sensorCount = sensors.size();
    calls += smcCalls();
    benchmark::DoNotOptimize(sensors);
  }
  reportCalls(state, calls);
  state.counters["sensors"] = double(sensorCount);
  sw::resetProcessState();
}

/// One widget refresh: the readings of the two sensors on display, `age` seconds after the last.
void pollCycle(benchmark::State& state, double age) {
  sw::os::setLogToSyslog(false);
  installLargestProfile();
  sw::resetProcessState();
  sw::os::ManualClock clock;
  sw::SensorList sensors = discoverSMCSensors();
  if (sensors.size() < 2) {
    state.SkipWithError("fewer than two SMC sensors");
    return;
  }
  std::shared_ptr<sw::TKSSensor> first = sensors.front();
  std::shared_ptr<sw::TKSSensor> second = sensors.back();
  std::uint64_t before = smcCalls();
  for (auto _ : state) {
    clock.advance(age);
    benchmark::DoNotOptimize(first->rawValue());
    benchmark::DoNotOptimize(second->rawValue());
  }
  reportCalls(state, smcCalls() - before);
  sensors.clear();
  first.reset();
  second.reset();
  sw::resetProcessState();
}

void BM_SMCPollCacheExpired(benchmark::State& state) { pollCycle(state, 1.5); }
void BM_SMCPollWithinCacheLifetime(benchmark::State& state) { pollCycle(state, 0.0); }

}  // namespace

BENCHMARK(BM_SMCDiscovery)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SMCPollCacheExpired)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SMCPollWithinCacheLifetime)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
