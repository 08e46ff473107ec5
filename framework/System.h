// The framework's base unit: the string and number types every other unit uses, small sets
// of enumeration values, the root class TObject and the message record that objects
// dispatch. Portable: no Windows header, so it also builds natively.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <typeinfo>

// 8-bit text in the system code page, and UTF-16 (on Windows) text.
using AnsiString = std::string;
using WideString = std::wstring;
// Pointer-sized integers (tags, message parameters, handles held as numbers).
using NativeInt = intptr_t;
using NativeUInt = uintptr_t;
// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

// A set of values of an enumeration whose values lie in 0..63, as the framework's option
// sets (component state, font styles, shift states) are.
template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> values) {
    for (E value : values) FBits |= Bit(value);
  }

  constexpr bool Contains(E value) const { return (FBits & Bit(value)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  TSet& Include(E value) {
    FBits |= Bit(value);
    return *this;
  }
  TSet& Exclude(E value) {
    FBits &= ~Bit(value);
    return *this;
  }
  TSet& operator<<(E value) { return Include(value); }
  TSet& operator>>(E value) { return Exclude(value); }
  constexpr TSet operator+(TSet other) const { return FromBits(FBits | other.FBits); }
  constexpr TSet operator*(TSet other) const { return FromBits(FBits & other.FBits); }
  constexpr TSet operator-(TSet other) const { return FromBits(FBits & ~other.FBits); }
  constexpr bool operator==(TSet other) const { return FBits == other.FBits; }
  constexpr bool operator!=(TSet other) const { return FBits != other.FBits; }
  constexpr uint64_t ToBits() const { return FBits; }
  static constexpr TSet FromBits(uint64_t bits) {
    TSet result;
    result.FBits = bits;
    return result;
  }

 private:
  static constexpr uint64_t Bit(E value) {
    return uint64_t{1} << (static_cast<unsigned>(value) & 63u);
  }
  uint64_t FBits = 0;
};

// A window or framework message as objects dispatch it: the message number, its two
// parameters and the result (the sizes of WPARAM, LPARAM and LRESULT).
struct TMessage {
  uint32_t Msg = 0;
  NativeUInt WParam = 0;
  NativeInt LParam = 0;
  NativeInt Result = 0;
};

// The root of every framework class.
class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  // The name of the object's own (most derived) class, without namespaces: a form's window
  // class and its language-file section are this name.
  AnsiString ClassName() const;
  // Whether the object is a T (or derives from it).
  template <class T>
  bool InheritsFrom() const {
    return dynamic_cast<const T*>(this) != nullptr;
  }

  // Runs BeforeDestruction while the object is still whole, then deletes it. Objects that
  // own or notify others (components) must be freed this way or by their owner.
  void Free();
  // Called by Free before the destructors run.
  virtual void BeforeDestruction() {}

  // Message dispatch: a class that handles messages overrides Dispatch with a switch and
  // passes the rest to its base class; the root hands them to DefaultHandler.
  virtual void Dispatch(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);
};

// Frees the object (when there is one) and clears the pointer first, so that nothing sees
// a freed object through it while it is being destroyed.
template <class T>
void FreeAndNil(T*& object) {
  T* doomed = object;
  object = nullptr;
  if (doomed) doomed->Free();
}

// The demangled name of a type as ClassName gives it (last component, no namespaces).
AnsiString TypeNameOf(const std::type_info& type);
