#include "framework/System.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <typeindex>
#include <typeinfo>
#include <unordered_map>

namespace {

// The last component of a demangled name: "ns::TFoo" and "(anonymous namespace)::TFoo"
// give "TFoo". Template arguments are kept whole.
AnsiString LastComponent(const AnsiString& name) {
  int depth = 0;
  size_t start = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c == '<' || c == '(') ++depth;
    if (c == '>' || c == ')') --depth;
    if (depth == 0 && c == ':' && i + 1 < name.size() && name[i + 1] == ':') start = i + 2;
  }
  return name.substr(start);
}

}  // namespace

AnsiString TypeNameOf(const std::type_info& type) {
  static std::mutex mutex;
  static std::unordered_map<std::type_index, AnsiString> names;
  std::lock_guard<std::mutex> lock(mutex);
  auto found = names.find(std::type_index(type));
  if (found != names.end()) return found->second;
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
  AnsiString name = LastComponent(status == 0 && demangled ? demangled.get() : type.name());
  names.emplace(std::type_index(type), name);
  return name;
}

AnsiString TObject::ClassName() const { return TypeNameOf(typeid(*this)); }

void TObject::Free() {
  BeforeDestruction();
  delete this;
}

void TObject::Dispatch(TMessage& Message) { DefaultHandler(Message); }

void TObject::DefaultHandler(TMessage&) {}
