// The pin and media type enumerators. Thread: whichever calls them; each object is used by
// one caller at a time, as COM enumerators are.
#include "video/filter_enumerators_win.h"

#include <new>

namespace {

// COM's rule for every enumerator's Next: without a count to say how many came, only one
// may be asked for.
HRESULT CheckNextArguments(ULONG count, const void* items, const ULONG* fetched) {
  if (items == nullptr) return E_POINTER;
  return count > 1 && fetched == nullptr ? E_INVALIDARG : S_OK;
}

// Reference counting and QueryInterface of a small heap object with one interface.
template <typename Interface>
class OneInterfaceObject : public Interface {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == iid_) {
      *object = static_cast<Interface*>(this);
      this->AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refCount_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG count = InterlockedDecrement(&refCount_);
    if (count == 0) delete this;
    return count;
  }

 protected:
  explicit OneInterfaceObject(const IID& iid) : iid_(iid) {}
  virtual ~OneInterfaceObject() = default;

 private:
  const IID& iid_;
  LONG refCount_ = 1;
};

// Enumerates the one pin of the filter.
class PinEnumerator final : public OneInterfaceObject<IEnumPins> {
 public:
  PinEnumerator(IPin* pin, ULONG position) : OneInterfaceObject(IID_IEnumPins), pin_(pin), position_(position) {
    pin_->AddRef();
  }
  ~PinEnumerator() { pin_->Release(); }
  PinEnumerator(const PinEnumerator&) = delete;
  PinEnumerator& operator=(const PinEnumerator&) = delete;

  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override {
    const HRESULT checked = CheckNextArguments(count, pins, fetched);
    if (FAILED(checked)) return checked;
    ULONG given = 0;
    if (count > 0 && position_ == 0) {
      pins[0] = pin_;
      pin_->AddRef();
      position_ = 1;
      given = 1;
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    const ULONG left = 1 - position_;
    position_ = count >= left ? 1 : position_ + count;
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumPins** copy) override {
    if (copy == nullptr) return E_POINTER;
    *copy = new (std::nothrow) PinEnumerator(pin_, position_);
    return *copy ? S_OK : E_OUTOFMEMORY;
  }

 private:
  IPin* pin_;
  ULONG position_;
};

// Proposes no types: the upstream pin offers, the pin's own check decides.
class EmptyTypeEnumerator final : public OneInterfaceObject<IEnumMediaTypes> {
 public:
  EmptyTypeEnumerator() : OneInterfaceObject(IID_IEnumMediaTypes) {}
  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
    const HRESULT checked = CheckNextArguments(count, types, fetched);
    if (FAILED(checked)) return checked;
    if (fetched) *fetched = 0;
    return count == 0 ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override { return count == 0 ? S_OK : S_FALSE; }
  STDMETHODIMP Reset() override { return S_OK; }
  STDMETHODIMP Clone(IEnumMediaTypes** copy) override {
    if (copy == nullptr) return E_POINTER;
    *copy = new (std::nothrow) EmptyTypeEnumerator;
    return *copy ? S_OK : E_OUTOFMEMORY;
  }
};

}  // namespace

HRESULT NewPinEnumerator(IPin* pin, IEnumPins** pins) {
  if (pins == nullptr) return E_POINTER;
  *pins = new (std::nothrow) PinEnumerator(pin, 0);
  return *pins ? S_OK : E_OUTOFMEMORY;
}

HRESULT NewEmptyTypeEnumerator(IEnumMediaTypes** types) {
  if (types == nullptr) return E_POINTER;
  *types = new (std::nothrow) EmptyTypeEnumerator;
  return *types ? S_OK : E_OUTOFMEMORY;
}
