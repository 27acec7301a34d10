#include "control_object.h"

#include <olectl.h>

#include <array>
#include <cstring>
#include <utility>

namespace tessivra::win32 {

ServerModule& server() {
    static ServerModule s;
    return s;
}

ITypeLib* ServerModule::typeLib() {
    if (!typeLib_) {
        wchar_t path[MAX_PATH * 4];
        DWORD n = GetModuleFileNameW(module, path, static_cast<DWORD>(std::size(path)));
        if (n == 0 || n >= std::size(path)) return nullptr;
        if (FAILED(LoadTypeLibEx(path, REGKIND_NONE, &typeLib_))) typeLib_ = nullptr;
    }
    return typeLib_;
}

void ServerModule::releaseTypeLib() {
    if (typeLib_) typeLib_->Release();
    typeLib_ = nullptr;
}

std::vector<VtableSlot> vtableSlots(const ControlClass& cls) {
    std::vector<VtableSlot> slots;
    for (const DispatchMember& m : cls.members) {
        if (m.access & access::Get) slots.push_back({m.id, InvokeKind::Get, m.type});
        if (m.access & access::Let) slots.push_back({m.id, InvokeKind::Let, m.type});
        if (m.access & access::Set) slots.push_back({m.id, InvokeKind::Set, m.type});
        if (m.access & access::Call) slots.push_back({m.id, InvokeKind::Call, m.type});
    }
    return slots;
}

} // namespace tessivra::win32
