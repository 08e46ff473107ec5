// Published properties: a small table per class of the properties that can be read and
// set by name (texts, and objects such as string lists and collections). A class adds its
// own in PublishProperties after calling its base class, so subclasses inherit the table:
//
//   void TButton::PublishProperties(TPropList& Props) const {
//     TWinControl::PublishProperties(Props);
//     Props.String("Caption", &TButton::GetCaption, &TButton::SetCaption, "TCaption");
//   }
//
// The language files re-label forms through it (texts, string lists and the texts of
// collection items; numbers such as a font's character set are published for reading and
// setting by name, but no language text reaches them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "framework/Classes.h"

enum TTypeKind { tkLString, tkWString, tkClass, tkInteger };

struct TPropInfo {
  AnsiString Name;
  // The declared type: "AnsiString", "TCaption", "TComponentName", "TStrings", ...
  AnsiString TypeName;
  TTypeKind Kind = tkLString;
  // Texts (wide texts pass through the system code page).
  std::function<AnsiString(TPersistent*)> GetText;
  std::function<void(TPersistent*, const AnsiString&)> SetText;  // empty: read-only
  // Objects.
  std::function<TPersistent*(TPersistent*)> GetObject;
  // Numbers.
  std::function<int64_t(TPersistent*)> GetOrd;
  std::function<void(TPersistent*, int64_t)> SetOrd;
};

class TPropList {
 public:
  // A text property with its getter and setter (nullptr: read-only). Getter and setter
  // may come from different classes of the hierarchy.
  template <class CG, class CS>
  void String(const char* Name, AnsiString (CG::*Get)() const,
              void (CS::*Set)(const AnsiString&), const char* TypeName = "AnsiString") {
    TPropInfo info = TextInfo(Name, TypeName, tkLString, [Get](TPersistent* instance) {
      return (Cast<CG>(instance)->*Get)();
    });
    info.SetText = [Set](TPersistent* instance, const AnsiString& value) {
      (Cast<CS>(instance)->*Set)(value);
    };
    Add(std::move(info));
  }
  // A text property whose getter is no const member (a control's caption, read from its
  // window).
  template <class CG, class CS>
  void String(const char* Name, AnsiString (CG::*Get)(), void (CS::*Set)(const AnsiString&),
              const char* TypeName = "AnsiString") {
    TPropInfo info = TextInfo(Name, TypeName, tkLString, [Get](TPersistent* instance) {
      return (Cast<CG>(instance)->*Get)();
    });
    info.SetText = [Set](TPersistent* instance, const AnsiString& value) {
      (Cast<CS>(instance)->*Set)(value);
    };
    Add(std::move(info));
  }
  template <class CG>
  void String(const char* Name, AnsiString (CG::*Get)() const, std::nullptr_t,
              const char* TypeName = "AnsiString") {
    Add(TextInfo(Name, TypeName, tkLString, [Get](TPersistent* instance) {
      return (Cast<CG>(instance)->*Get)();
    }));
  }
  // A wide-text property; its texts pass through the system code page.
  template <class CG, class CS>
  void Wide(const char* Name, WideString (CG::*Get)() const, void (CS::*Set)(const WideString&),
            const char* TypeName = "WideString") {
    TPropInfo info = TextInfo(Name, TypeName, tkWString, [Get](TPersistent* instance) {
      return WideToAnsi((Cast<CG>(instance)->*Get)());
    });
    info.SetText = [Set](TPersistent* instance, const AnsiString& value) {
      (Cast<CS>(instance)->*Set)(AnsiToWide(value));
    };
    Add(std::move(info));
  }
  // An object property; its type name is the class the getter declares (TStrings for a
  // string list, the collection's class for a collection).
  template <class C, class T>
  void Object(const char* Name, T* (C::*Get)() const) {
    TPropInfo info;
    info.Name = Name;
    info.TypeName = TypeNameOf(typeid(T));
    info.Kind = tkClass;
    info.GetObject = [Get](TPersistent* instance) -> TPersistent* {
      return (Cast<C>(instance)->*Get)();
    };
    Add(std::move(info));
  }

  // A number property of an integer type V (a byte such as a font's character set, an
  // int); setting a value that V cannot hold raises EPropertyError.
  template <class CG, class CS, class V>
  void Integer(const char* Name, V (CG::*Get)() const, void (CS::*Set)(V),
               const char* TypeName = "Integer") {
    static_assert(std::is_integral<V>::value, "an integer property");
    TPropInfo info;
    info.Name = Name;
    info.TypeName = TypeName;
    info.Kind = tkInteger;
    info.GetOrd = [Get](TPersistent* instance) -> int64_t {
      return (Cast<CG>(instance)->*Get)();
    };
    info.SetOrd = [Set, TypeName](TPersistent* instance, int64_t value) {
      const V narrowed = static_cast<V>(value);
      if (static_cast<int64_t>(narrowed) != value)
        ThrowOutOfRange(value, TypeName);
      (Cast<CS>(instance)->*Set)(narrowed);
    };
    Add(std::move(info));
  }

  int Count() const { return static_cast<int>(FProps.size()); }
  const TPropInfo& operator[](int Index) const { return FProps[static_cast<size_t>(Index)]; }
  std::vector<TPropInfo>::const_iterator begin() const { return FProps.begin(); }
  std::vector<TPropInfo>::const_iterator end() const { return FProps.end(); }
  // The property of that name (ignoring case), or nullptr.
  const TPropInfo* Find(const AnsiString& Name) const;

 private:
  template <class C>
  static C* Cast(TPersistent* instance) {
    C* result = dynamic_cast<C*>(instance);
    if (!result) ThrowWrongClass(instance);
    return result;
  }
  [[noreturn]] static void ThrowWrongClass(TPersistent* instance);
  [[noreturn]] static void ThrowOutOfRange(int64_t value, const char* typeName);
  static TPropInfo TextInfo(const char* name, const char* typeName, TTypeKind kind,
                            std::function<AnsiString(TPersistent*)> get) {
    TPropInfo info;
    info.Name = name;
    info.TypeName = typeName;
    info.Kind = kind;
    info.GetText = std::move(get);
    return info;
  }
  // A subclass that publishes a name again replaces the inherited entry in place.
  void Add(TPropInfo&& info);

  std::vector<TPropInfo> FProps;
};

class EPropertyError : public Exception {
 public:
  using Exception::Exception;
};

// The published properties of the instance's class (built once per class).
const TPropList& GetPropList(const TPersistent* Instance);
// nullptr when the class publishes no property of that name.
const TPropInfo* GetPropInfo(const TPersistent* Instance, const AnsiString& PropName);
// Raise EPropertyError for an unknown property or one of another kind.
AnsiString GetStrProp(TPersistent* Instance, const AnsiString& PropName);
void SetStrProp(TPersistent* Instance, const AnsiString& PropName, const AnsiString& Value);
TPersistent* GetObjectProp(TPersistent* Instance, const AnsiString& PropName);
int64_t GetOrdProp(TPersistent* Instance, const AnsiString& PropName);
void SetOrdProp(TPersistent* Instance, const AnsiString& PropName, int64_t Value);
