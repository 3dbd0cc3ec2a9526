// Fault injection into the real device through its method tables. Main thread only.
//
// Compiled against the C view of the interfaces, whose method tables have named entries,
// so that no entry is addressed by a counted position.
#define CINTERFACE
#include "scene_device_faults.h"

#include <d3d8.h>

namespace {

struct CreateFault {
  bool armed = false;
  DWORD format = 0;
  HRESULT result = S_OK;
};

// One buffer at a time: picked when it is made, itself again once it has refused.
template <typename Buffer, typename Table>
struct LockFault {
  bool armed = false;
  DWORD format = 0;
  int locksLeft = 0;
  HRESULT result = S_OK;
  Buffer* buffer = nullptr;
  Table* realTable = nullptr;
  Table table = {};
};

IDirect3DDevice8* hookedDevice = nullptr;
IDirect3DDevice8Vtbl* realDeviceTable = nullptr;
IDirect3DDevice8Vtbl deviceTable;

CreateFault vertexCreateFault;
CreateFault indexCreateFault;
LockFault<IDirect3DVertexBuffer8, IDirect3DVertexBuffer8Vtbl> vertexLockFault;
LockFault<IDirect3DIndexBuffer8, IDirect3DIndexBuffer8Vtbl> indexLockFault;

// The device checks a buffer's table when the buffer is bound, so a picked buffer gets its
// own table back as soon as it has done its part (or is destroyed, or the faults go).
template <typename Fault>
void GiveBack(Fault& fault) {
  if (fault.buffer != nullptr) fault.buffer->lpVtbl = fault.realTable;
  fault.buffer = nullptr;
  fault.armed = false;
}

// True when this lock is the one to refuse; the picked buffer is then itself again.
template <typename Fault>
bool RefuseLock(Fault& fault, BYTE** data, HRESULT* result) {
  if (fault.locksLeft > 0) {
    --fault.locksLeft;
    return false;
  }
  if (data != nullptr) *data = nullptr;
  *result = fault.result;
  GiveBack(fault);
  return true;
}

HRESULT STDMETHODCALLTYPE VertexLock(IDirect3DVertexBuffer8* buffer, UINT offset, UINT size, BYTE** data, DWORD flags) {
  const IDirect3DVertexBuffer8Vtbl* real = vertexLockFault.realTable;
  HRESULT refusal = S_OK;
  if (RefuseLock(vertexLockFault, data, &refusal)) return refusal;
  return real->Lock(buffer, offset, size, data, flags);
}

ULONG STDMETHODCALLTYPE VertexRelease(IDirect3DVertexBuffer8* buffer) {
  const IDirect3DVertexBuffer8Vtbl* real = vertexLockFault.realTable;
  const ULONG left = real->Release(buffer);
  if (left == 0) {
    vertexLockFault.buffer = nullptr;
    vertexLockFault.armed = false;
  }
  return left;
}

HRESULT STDMETHODCALLTYPE IndexLock(IDirect3DIndexBuffer8* buffer, UINT offset, UINT size, BYTE** data, DWORD flags) {
  const IDirect3DIndexBuffer8Vtbl* real = indexLockFault.realTable;
  HRESULT refusal = S_OK;
  if (RefuseLock(indexLockFault, data, &refusal)) return refusal;
  return real->Lock(buffer, offset, size, data, flags);
}

ULONG STDMETHODCALLTYPE IndexRelease(IDirect3DIndexBuffer8* buffer) {
  const IDirect3DIndexBuffer8Vtbl* real = indexLockFault.realTable;
  const ULONG left = real->Release(buffer);
  if (left == 0) {
    indexLockFault.buffer = nullptr;
    indexLockFault.armed = false;
  }
  return left;
}

HRESULT STDMETHODCALLTYPE CreateVertexBuffer(IDirect3DDevice8* device, UINT length, DWORD usage, DWORD format,
                                             D3DPOOL pool, IDirect3DVertexBuffer8** buffer) {
  if (vertexCreateFault.armed && vertexCreateFault.format == format) {
    vertexCreateFault.armed = false;
    return vertexCreateFault.result;
  }
  const HRESULT result = realDeviceTable->CreateVertexBuffer(device, length, usage, format, pool, buffer);
  LockFault<IDirect3DVertexBuffer8, IDirect3DVertexBuffer8Vtbl>& fault = vertexLockFault;
  if (SUCCEEDED(result) && fault.armed && fault.buffer == nullptr && fault.format == format) {
    fault.buffer = *buffer;
    fault.realTable = (*buffer)->lpVtbl;
    fault.table = *fault.realTable;
    fault.table.Lock = VertexLock;
    fault.table.Release = VertexRelease;
    (*buffer)->lpVtbl = &fault.table;
  }
  return result;
}

HRESULT STDMETHODCALLTYPE CreateIndexBuffer(IDirect3DDevice8* device, UINT length, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, IDirect3DIndexBuffer8** buffer) {
  if (indexCreateFault.armed) {
    indexCreateFault.armed = false;
    return indexCreateFault.result;
  }
  const HRESULT result = realDeviceTable->CreateIndexBuffer(device, length, usage, format, pool, buffer);
  LockFault<IDirect3DIndexBuffer8, IDirect3DIndexBuffer8Vtbl>& fault = indexLockFault;
  if (SUCCEEDED(result) && fault.armed && fault.buffer == nullptr) {
    fault.buffer = *buffer;
    fault.realTable = (*buffer)->lpVtbl;
    fault.table = *fault.realTable;
    fault.table.Lock = IndexLock;
    fault.table.Release = IndexRelease;
    (*buffer)->lpVtbl = &fault.table;
  }
  return result;
}

// A lost device: Presents that report the loss, then cooperative-level answers until a
// reset, which the real device carries out.
struct LossFault {
  int presentsLost = 0;
  int levelsLost = 0;
  bool needsReset = false;
  int resets = 0;
  int presentsAfterReset = 0;
  int presentsWhileLost = 0;  // asked for after the loss was reported, before the reset
  int presents = 0;           // every one asked for
  int resetsRefused = 0;      // the next ones answer refusal
  HRESULT refusal = S_OK;
};
LossFault lossFault;

HRESULT STDMETHODCALLTYPE Present(IDirect3DDevice8* device, const RECT* source, const RECT* target, HWND window,
                                  const RGNDATA* dirty) {
  ++lossFault.presents;
  if (lossFault.presentsLost > 0) {
    --lossFault.presentsLost;
    lossFault.needsReset = true;
    return D3DERR_DEVICELOST;
  }
  if (lossFault.needsReset) {
    ++lossFault.presentsWhileLost;
    return D3DERR_DEVICENOTRESET;
  }
  const HRESULT result = realDeviceTable->Present(device, source, target, window, dirty);
  if (lossFault.resets > 0 && SUCCEEDED(result)) ++lossFault.presentsAfterReset;
  return result;
}

HRESULT STDMETHODCALLTYPE TestCooperativeLevel(IDirect3DDevice8* device) {
  if (lossFault.levelsLost > 0) {
    --lossFault.levelsLost;
    return D3DERR_DEVICELOST;
  }
  if (lossFault.needsReset) return D3DERR_DEVICENOTRESET;
  return realDeviceTable->TestCooperativeLevel(device);
}

HRESULT STDMETHODCALLTYPE Reset(IDirect3DDevice8* device, D3DPRESENT_PARAMETERS* parameters) {
  if (lossFault.resetsRefused > 0) {
    --lossFault.resetsRefused;
    return lossFault.refusal;
  }
  const HRESULT result = realDeviceTable->Reset(device, parameters);
  if (SUCCEEDED(result)) {
    lossFault.needsReset = false;
    ++lossFault.resets;
  }
  return result;
}

void ClearFaults() {
  lossFault = LossFault{};
  GiveBack(vertexLockFault);
  GiveBack(indexLockFault);
  vertexCreateFault = CreateFault{};
  indexCreateFault = CreateFault{};
}

}  // namespace

void InstallDeviceFaults(void* device) {
  RemoveDeviceFaults();
  hookedDevice = static_cast<IDirect3DDevice8*>(device);
  realDeviceTable = hookedDevice->lpVtbl;
  deviceTable = *realDeviceTable;
  deviceTable.CreateVertexBuffer = CreateVertexBuffer;
  deviceTable.CreateIndexBuffer = CreateIndexBuffer;
  deviceTable.Present = Present;
  deviceTable.TestCooperativeLevel = TestCooperativeLevel;
  deviceTable.Reset = Reset;
  hookedDevice->lpVtbl = &deviceTable;
}

void RemoveDeviceFaults() {
  ClearFaults();
  if (hookedDevice != nullptr) hookedDevice->lpVtbl = realDeviceTable;
  hookedDevice = nullptr;
}

void FailVertexBufferCreation(DWORD format, HRESULT result) { vertexCreateFault = CreateFault{true, format, result}; }

void FailIndexBufferCreation(HRESULT result) { indexCreateFault = CreateFault{true, 0, result}; }

void FailVertexBufferLock(DWORD format, int locksFirst, HRESULT result) {
  GiveBack(vertexLockFault);
  vertexLockFault.armed = true;
  vertexLockFault.format = format;
  vertexLockFault.locksLeft = locksFirst;
  vertexLockFault.result = result;
}

void FailIndexBufferLock(int locksFirst, HRESULT result) {
  GiveBack(indexLockFault);
  indexLockFault.armed = true;
  indexLockFault.locksLeft = locksFirst;
  indexLockFault.result = result;
}

void LoseDevice(int presentsLost, int levelsLost) {
  lossFault.presentsLost = presentsLost;
  lossFault.levelsLost = levelsLost;
}

int DeviceResets() { return lossFault.resets; }

void RefuseResets(int count, HRESULT result) {
  lossFault.resetsRefused = count;
  lossFault.refusal = result;
}

int PresentsAfterReset() { return lossFault.presentsAfterReset; }

int PresentsWhileLost() { return lossFault.presentsWhileLost; }

int DevicePresents() { return lossFault.presents; }
