#include "platform/win32/win32wmiquery.h"

#include <cstdint>
#include <optional>

#include "platform/win32/windowsheaders.h"
// After <windows.h>, whose types they use.
#include <objbase.h>
#include <oleauto.h>
#include <wbemcli.h>

namespace os {

namespace {

// The management service's locator: its class and the interface asked of it.
const ::GUID kWbemLocatorClass = {
    0x4590F811, 0x1D3A, 0x11D0, {0x89, 0x1F, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};
const ::GUID kWbemLocatorInterface = {
    0xDC12A687, 0x737F, 0x11CF, {0x88, 0x4D, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

// How long one row may take to arrive. The service answers in well under a second; a bound keeps a
// stuck provider from holding discovery forever.
constexpr long kRowWaitMs = 60'000;

// COM on the calling thread for the life of the object: joined (and left again) unless the thread
// already lives in a single-threaded apartment, which serves the in-process calls here as well.
class ComApartment {
 public:
  ComApartment() {
    const HRESULT status = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_SPEED_OVER_MEMORY);
    joined_ = SUCCEEDED(status);
    usable_ = joined_ || status == RPC_E_CHANGED_MODE;
  }
  ~ComApartment() {
    if (joined_) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  bool Usable() const { return usable_; }

 private:
  bool joined_ = false;
  bool usable_ = false;
};

// An interface pointer released with its owner.
template <typename Interface>
class ComReference {
 public:
  ComReference() = default;
  ~ComReference() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  ComReference(const ComReference&) = delete;
  ComReference& operator=(const ComReference&) = delete;

  Interface* operator->() const { return pointer_; }
  Interface* Get() const { return pointer_; }
  Interface** Out() { return &pointer_; }

 private:
  Interface* pointer_ = nullptr;
};

// A string of the system's allocator, freed with its owner.
class Bstr {
 public:
  explicit Bstr(const std::string& text) {
    const int length =
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    value_ = ::SysAllocStringLen(nullptr, static_cast<UINT>(length));
    if (value_ != nullptr && length > 0)
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), value_, length);
  }
  ~Bstr() { ::SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR Get() const { return value_; }

 private:
  BSTR value_ = nullptr;
};

std::string Narrow(BSTR text) {
  const int wide = static_cast<int>(::SysStringLen(text));
  if (wide == 0) return {};
  const int length = ::WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, wide, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

// A property's value as text, or nothing for a null value and for kinds that have no single text (arrays,
// embedded objects). The service hands a uint32 over as a signed 32-bit value, and 64-bit integers as
// decimal strings already.
std::optional<std::string> PropertyText(VARIANT& value, CIMTYPE type) {
  switch (V_VT(&value)) {
    case VT_EMPTY:
    case VT_NULL:
      return std::nullopt;
    case VT_BSTR:
      return Narrow(V_BSTR(&value));
    case VT_BOOL:
      return V_BOOL(&value) != VARIANT_FALSE ? "TRUE" : "FALSE";
    case VT_I1:
      return std::to_string(V_I1(&value));
    case VT_UI1:
      return std::to_string(V_UI1(&value));
    case VT_I2:
      return std::to_string(V_I2(&value));
    case VT_UI2:
      return std::to_string(V_UI2(&value));
    case VT_I4:
      if (type == CIM_UINT32) return std::to_string(static_cast<std::uint32_t>(V_I4(&value)));
      return std::to_string(V_I4(&value));
    case VT_UI4:
      return std::to_string(V_UI4(&value));
    case VT_INT:
      return std::to_string(V_INT(&value));
    case VT_UINT:
      return std::to_string(V_UINT(&value));
    case VT_I8:
      return std::to_string(V_I8(&value));
    case VT_UI8:
      return std::to_string(V_UI8(&value));
    default:
      break;
  }
  if ((V_VT(&value) & (VT_ARRAY | VT_BYREF)) != 0 || V_VT(&value) == VT_UNKNOWN ||
      V_VT(&value) == VT_DISPATCH)
    return std::nullopt;
  // Real numbers and the like: the system's own conversion.
  VARIANT converted;
  ::VariantInit(&converted);
  if (FAILED(::VariantChangeType(&converted, &value, 0, VT_BSTR))) return std::nullopt;
  std::string text = Narrow(V_BSTR(&converted));
  ::VariantClear(&converted);
  return text;
}

// The instance's own properties (system properties such as __CLASS left out), in the service's order.
WmiRow ReadRow(IWbemClassObject* object) {
  WmiRow row;
  if (FAILED(object->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY))) return row;
  for (;;) {
    BSTR name = nullptr;
    VARIANT value;
    ::VariantInit(&value);
    CIMTYPE type = CIM_EMPTY;
    if (object->Next(0, &name, &value, &type, nullptr) != WBEM_S_NO_ERROR) break;
    if (std::optional<std::string> text = PropertyText(value, type)) row.Set(Narrow(name), std::move(*text));
    ::SysFreeString(name);
    ::VariantClear(&value);
  }
  object->EndEnumeration();
  return row;
}

bool RunQuery(const std::string& nameSpace, const std::string& query, std::vector<WmiRow>& rows) {
  // Default authentication, packet privacy, impersonation, secure references. Only the first call of a
  // process may set them (later ones answer RPC_E_TOO_LATE), and a host may have set them already; the
  // connection below tells whether what is in force will do.
  ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_SECURE_REFS, nullptr);

  ComReference<IWbemLocator> locator;
  if (FAILED(::CoCreateInstance(kWbemLocatorClass, nullptr, CLSCTX_INPROC_SERVER, kWbemLocatorInterface,
                                reinterpret_cast<void**>(locator.Out()))))
    return false;
  ComReference<IWbemServices> services;
  const Bstr where(nameSpace);
  if (FAILED(locator->ConnectServer(where.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                    services.Out())))
    return false;

  ComReference<IEnumWbemClassObject> results;
  const Bstr language("WQL");
  const Bstr text(query);
  if (FAILED(services->ExecQuery(language.Get(), text.Get(),
                                 WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                 results.Out())))
    return false;
  for (;;) {
    ComReference<IWbemClassObject> object;
    ULONG returned = 0;
    // Returning at once, the service reports a query it rejects here, with the first row.
    const HRESULT status = results->Next(kRowWaitMs, 1, object.Out(), &returned);
    if (FAILED(status) || (returned == 0 && status == WBEM_S_TIMEDOUT)) return false;
    if (returned == 0) return true;
    rows.push_back(ReadRow(object.Get()));
  }
}

}  // namespace

bool Win32WmiQuery(const std::string& nameSpace, const std::string& query, std::vector<WmiRow>* rows) {
  rows->clear();
  const ComApartment apartment;
  if (!apartment.Usable()) return false;
  if (RunQuery(nameSpace, query, *rows)) return true;
  rows->clear();
  return false;
}

}  // namespace os
