#include "dnccom/vtable_sink.h"

#include <array>
#include <cwchar>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

#include "dnccom/type_info.h"

namespace dnccom {
namespace {

// How one argument travels in a vtable call.
enum class Wire { i1, i2, i4, i8, r4, r8, pointer, variant, unsupported };

struct ParamWire {
    Wire wire = Wire::i4;
    VARTYPE vt = VT_I4;  // as a VARIANT
};

struct Slot {
    DISPID id = DISPID_UNKNOWN;
    std::vector<ParamWire> params;
};

struct Layout {
    std::vector<const void*> entries;  // [0] is this layout, the vtable follows
    std::vector<Slot> slots;           // by vtable position
};

#if defined(_WIN64)
// x64: the first four arguments (this included) in registers, integer or
// floating by type; the rest on the stack, one 8-byte slot each.
constexpr int kClasses = 8;  // which of arguments 1 to 3 are floating
constexpr std::size_t kMaxArgs = 8;
#else
// x86 __stdcall: every argument on the stack, 4-byte words, popped by us.
constexpr int kClasses = 17;  // number of words
constexpr std::size_t kMaxArgs = 16;
#endif
constexpr int kSlots = 40;

ParamWire wireOf(ITypeInfo* info, const TYPEDESC& type) {
    switch (type.vt) {
        case VT_I1: case VT_UI1: return {Wire::i1, type.vt};
        case VT_I2: case VT_UI2: case VT_BOOL: return {Wire::i2, type.vt};
        case VT_I4: case VT_UI4: case VT_ERROR: case VT_HRESULT: return {Wire::i4, VT_I4};
        case VT_INT: return {Wire::i4, VT_I4};
        case VT_UINT: return {Wire::i4, VT_UI4};
        case VT_I8: case VT_UI8: case VT_CY: return {Wire::i8, type.vt};
        case VT_R4: return {Wire::r4, VT_R4};
        case VT_R8: case VT_DATE: return {Wire::r8, type.vt};
        case VT_BSTR: case VT_DISPATCH: case VT_UNKNOWN: return {Wire::pointer, type.vt};
        case VT_VARIANT: return {Wire::variant, VT_VARIANT};
        case VT_SAFEARRAY: return {Wire::pointer, static_cast<VARTYPE>(VT_ARRAY | variantType(info, *type.lptdesc))};
        case VT_PTR: {
            // An interface pointer is passed by value; a simple value by reference.
            const ParamWire pointed = wireOf(info, *type.lptdesc);
            if (pointed.wire == Wire::pointer && (pointed.vt == VT_DISPATCH || pointed.vt == VT_UNKNOWN)) return pointed;
            if (pointed.wire == Wire::unsupported || (pointed.vt & VT_BYREF)) return {Wire::unsupported, VT_EMPTY};
            return {Wire::pointer, static_cast<VARTYPE>(VT_BYREF | pointed.vt)};
        }
        case VT_USERDEFINED: {
            ComPtr<ITypeInfo> referenced;
            if (FAILED(info->GetRefTypeInfo(type.hreftype, referenced.put()))) return {Wire::unsupported, VT_EMPTY};
            TypeAttr attr(referenced.get());
            if (!attr) return {Wire::unsupported, VT_EMPTY};
            switch (attr->typekind) {
                case TKIND_ENUM: return {Wire::i4, VT_I4};
                // An alias travels as what it names.
                case TKIND_ALIAS: return wireOf(referenced.get(), attr->tdescAlias);
                case TKIND_INTERFACE: case TKIND_DISPATCH: case TKIND_COCLASS:
                    return {Wire::pointer, variantType(info, type)};
                default: return {Wire::unsupported, VT_EMPTY};  // records and unions by value
            }
        }
        default: return {Wire::unsupported, VT_EMPTY};
    }
}

int classOf(const Slot& slot) {
    for (const auto& param : slot.params)
        if (param.wire == Wire::unsupported) return -1;
#if defined(_WIN64)
    if (slot.params.size() > kMaxArgs) return -1;
    int mask = 0;
    for (std::size_t i = 0; i < slot.params.size() && i < 3; ++i)
        if (slot.params[i].wire == Wire::r4 || slot.params[i].wire == Wire::r8) mask |= 1 << i;
    return mask;
#else
    std::size_t words = 0;
    for (const auto& param : slot.params)
        words += param.wire == Wire::variant ? 4 : (param.wire == Wire::r8 || param.wire == Wire::i8) ? 2 : 1;
    return words <= kMaxArgs ? static_cast<int>(words) : -1;
#endif
}

// The arguments as VARIANTs that borrow what they point to.
std::vector<VARIANT> decode(const Slot& slot, const Word* words) {
    std::vector<VARIANT> values(slot.params.size());
    std::size_t at = 0;
    for (std::size_t i = 0; i < slot.params.size(); ++i) {
        const ParamWire& param = slot.params[i];
        VARIANT& value = values[i];
        VariantInit(&value);
        value.vt = param.vt;
        const Word word = words[at];
#if defined(_WIN64)
        ++at;
        switch (param.wire) {
            case Wire::i1: value.bVal = static_cast<BYTE>(word); break;
            case Wire::i2: value.iVal = static_cast<SHORT>(word); break;
            case Wire::i4: value.lVal = static_cast<LONG>(word); break;
            case Wire::i8: value.llVal = static_cast<LONGLONG>(word); break;
            case Wire::r4: { const auto low = static_cast<std::uint32_t>(word); std::memcpy(&value.fltVal, &low, 4); break; }
            case Wire::r8: std::memcpy(&value.dblVal, &word, 8); break;
            case Wire::pointer: value.byref = reinterpret_cast<void*>(word); break;
            case Wire::unsupported: break;
            case Wire::variant: {
                // Bigger than a register: passed as a pointer to a copy.
                const auto* given = reinterpret_cast<const VARIANT*>(word);
                if (given) value = *given; else value.vt = VT_EMPTY;
                break;
            }
        }
#else
        switch (param.wire) {
            case Wire::i1: value.bVal = static_cast<BYTE>(word); ++at; break;
            case Wire::i2: value.iVal = static_cast<SHORT>(word); ++at; break;
            case Wire::i4: value.lVal = static_cast<LONG>(word); ++at; break;
            case Wire::r4: std::memcpy(&value.fltVal, &word, 4); ++at; break;
            case Wire::pointer: value.byref = reinterpret_cast<void*>(word); ++at; break;
            case Wire::i8: std::memcpy(&value.llVal, &words[at], 8); at += 2; break;
            case Wire::r8: std::memcpy(&value.dblVal, &words[at], 8); at += 2; break;
            case Wire::variant: std::memcpy(&value, &words[at], sizeof(VARIANT)); at += 4; break;
            case Wire::unsupported: break;
        }
#endif
    }
    return values;
}

HRESULT callSlot(VtableFace* face, int index, const Word* words) {
    const auto* layout = static_cast<const Layout*>(face->vtable[-1]);
    const Slot& slot = layout->slots[static_cast<std::size_t>(index)];
    if (slot.id == DISPID_UNKNOWN) return E_NOTIMPL;
    std::vector<VARIANT> values = decode(slot, words);
    // DISPPARAMS hold the last argument first.
    std::vector<VARIANT> reversed(values.rbegin(), values.rend());
    DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    return face->target->event(slot.id, &parameters);
}

template <std::size_t>
using WordArg = Word;

#if defined(_WIN64)
template <int Mask, std::size_t I>
using Arg = std::conditional_t<((Mask >> I) & 1) != 0, double, Word>;

template <class T>
Word bits(T value) {
    Word word = 0;
    std::memcpy(&word, &value, sizeof(value));
    return word;
}

template <int Index, int Mask>
struct Thunk {
    // Reads as many argument places as the most we take; the caller's frame
    // holds them whether or not the method uses them all.
    static HRESULT STDMETHODCALLTYPE call(VtableFace* face, Arg<Mask, 0> a, Arg<Mask, 1> b, Arg<Mask, 2> c, Word d,
                                          Word e, Word f, Word g, Word h) {
        const Word words[] = {bits(a), bits(b), bits(c), d, e, f, g, h};
        return callSlot(face, Index, words);
    }
};
#else
template <int Index, class Words>
struct WordThunk;
template <int Index, std::size_t... I>
struct WordThunk<Index, std::index_sequence<I...>> {
    // Exactly as many words as the method takes, so that the return pops them all.
    static HRESULT STDMETHODCALLTYPE call(VtableFace* face, WordArg<I>... given) {
        const Word words[] = {given..., 0};
        return callSlot(face, Index, words);
    }
};
template <int Index, int Words>
using Thunk = WordThunk<Index, std::make_index_sequence<Words>>;
#endif

template <int Index, int... Class>
std::array<const void*, kClasses> row(std::integer_sequence<int, Class...>) {
    return {reinterpret_cast<const void*>(&Thunk<Index, Class>::call)...};
}

template <int... Index>
std::vector<std::array<const void*, kClasses>> table(std::integer_sequence<int, Index...>) {
    return {row<Index>(std::make_integer_sequence<int, kClasses>{})...};
}

const void* thunkFor(int index, int cls) {
    static const auto thunks = table(std::make_integer_sequence<int, kSlots>{});
    return thunks[static_cast<std::size_t>(index)][static_cast<std::size_t>(cls)];
}

// The base methods, forwarded to the target.
IDispatch* targetOf(void* face) { return static_cast<VtableFace*>(face)->target->dispatch(); }
HRESULT STDMETHODCALLTYPE faceQueryInterface(void* face, REFIID iid, void** object) {
    return targetOf(face)->QueryInterface(iid, object);
}
ULONG STDMETHODCALLTYPE faceAddRef(void* face) { return targetOf(face)->AddRef(); }
ULONG STDMETHODCALLTYPE faceRelease(void* face) { return targetOf(face)->Release(); }
HRESULT STDMETHODCALLTYPE faceGetTypeInfoCount(void* face, UINT* count) { return targetOf(face)->GetTypeInfoCount(count); }
HRESULT STDMETHODCALLTYPE faceGetTypeInfo(void* face, UINT index, LCID locale, ITypeInfo** info) {
    return targetOf(face)->GetTypeInfo(index, locale, info);
}
HRESULT STDMETHODCALLTYPE faceGetIDsOfNames(void* face, REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) {
    return targetOf(face)->GetIDsOfNames(iid, names, count, locale, ids);
}
HRESULT STDMETHODCALLTYPE faceInvoke(void* face, DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception, UINT* badArgument) {
    return targetOf(face)->Invoke(id, iid, locale, flags, parameters, result, exception, badArgument);
}

std::unique_ptr<Layout> build(const EventBinding& events, std::string* problem) {
    ITypeInfo* info = events.vtableType.get();
    TypeAttr attr(info);
    if (!attr) return *problem = "its description cannot be read", nullptr;
    auto layout = std::make_unique<Layout>();
    const std::size_t size = attr->cbSizeVft / sizeof(void*);
    if (size < 3 || size > static_cast<std::size_t>(kSlots))
        return *problem = std::to_string(size) + " methods, more than the agent takes", nullptr;
    layout->slots.resize(size);
    layout->entries.assign(size + 1, nullptr);
    layout->entries[0] = layout.get();
    const void* base[] = {reinterpret_cast<const void*>(&faceQueryInterface), reinterpret_cast<const void*>(&faceAddRef),
                          reinterpret_cast<const void*>(&faceRelease),
                          reinterpret_cast<const void*>(&faceGetTypeInfoCount),
                          reinterpret_cast<const void*>(&faceGetTypeInfo),
                          reinterpret_cast<const void*>(&faceGetIDsOfNames), reinterpret_cast<const void*>(&faceInvoke)};
    const std::size_t baseCount = events.kind == EventKind::dual ? 7 : 3;
    for (std::size_t i = 0; i < baseCount && i < size; ++i) layout->entries[i + 1] = base[i];
    // Every method of the interface and its bases past IUnknown/IDispatch,
    // each at its own position; those we do not handle answer E_NOTIMPL.
    std::vector<ComPtr<ITypeInfo>> chain{events.vtableType};
    for (std::size_t c = 0; c < chain.size() && c < 8; ++c) {
        ITypeInfo* type = chain[c].get();
        TypeAttr typeAttr(type);
        if (!typeAttr) continue;
        for (UINT i = 0; i < typeAttr->cFuncs; ++i) {
            FuncDesc desc(type, i);
            if (!desc) continue;
            const auto index = static_cast<std::size_t>(desc->oVft) / sizeof(void*);
            if (index < baseCount || index >= size) continue;
            Slot slot;
            const auto handled = events.methods.find(desc->memid);
            slot.id = handled != events.methods.end() ? desc->memid : DISPID_UNKNOWN;
            for (SHORT p = 0; p < desc->cParams; ++p)
                slot.params.push_back(wireOf(type, desc->lprgelemdescParam[p].tdesc));
            const int cls = classOf(slot);
            if (cls < 0) {
                *problem = memberName(type, desc->memid) + " takes arguments that the agent cannot read";
                return nullptr;
            }
            layout->entries[index + 1] = thunkFor(static_cast<int>(index), cls);
            layout->slots[index] = std::move(slot);
        }
        for (UINT j = 0; j < typeAttr->cImplTypes; ++j) {
            HREFTYPE ref;
            ComPtr<ITypeInfo> parent;
            if (SUCCEEDED(type->GetRefTypeOfImplType(j, &ref)) && SUCCEEDED(type->GetRefTypeInfo(ref, parent.put())))
                chain.push_back(parent);
        }
    }
    for (const auto* entry : layout->entries)
        if (entry == nullptr) return *problem = "a position that no method describes", nullptr;
    return layout;
}

}  // namespace

namespace {

struct Built {
    std::unique_ptr<Layout> layout;
    std::string problem;
};

// One layout per event interface and set of handled methods, for the process.
const Built& builtFor(const EventBinding& events) {
    static std::mutex mutex;
    static std::map<std::pair<std::string, std::string>, Built> built;
    wchar_t iid[64];
    StringFromGUID2(events.iid, iid, 64);
    std::string handled;
    for (const auto& [id, name] : events.methods) handled += std::to_string(id) + name + ";";
    std::lock_guard<std::mutex> lock(mutex);
    auto& entry = built[{std::string(iid, iid + wcslen(iid)), handled}];
    if (!entry.layout && entry.problem.empty()) entry.layout = build(events, &entry.problem);
    return entry;
}

}  // namespace

const void* const* eventVtable(const EventBinding& events) {
    if (events.kind == EventKind::dispatch || !events.vtableType) return nullptr;
    const Built& built = builtFor(events);
    return built.layout ? built.layout->entries.data() + 1 : nullptr;
}

std::string vtableProblem(const EventBinding& events) {
    if (events.kind == EventKind::dispatch) return {};
    if (!events.vtableType) return "the library does not describe its vtable";
    return builtFor(events).problem;
}

}  // namespace dnccom
