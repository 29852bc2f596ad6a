#pragma once
// Test classes register themselves here; tests/CMakeLists.txt turns every
// VTEST(Name) line into its own ctest entry ("--class Name").
#include <QObject>
#include <functional>

namespace vtest {
using Factory = std::function<QObject *()>;
void registerTest(const char *name, Factory factory);
struct Registrar {
    Registrar(const char *name, Factory factory) { registerTest(name, std::move(factory)); }
};
} // namespace vtest

#define VTEST(Cls) \
    static vtest::Registrar vtestRegistrar_##Cls(#Cls, []() -> QObject * { return new Cls; });
