// Clearing and removing tool rows. Either way the tool leaves its pocket.
#include <stdexcept>

#include "heidenhain/controller_kind.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/sdk_arguments.h"
#include "heidenhain/session_log.h"
#include "heidenhain/table_ids.h"
#include "heidenhain/table_paths.h"

namespace heidenhain {
namespace {

// The property kind whose reading tells whether an entry has an initial value.
constexpr std::int32_t kInitialValueKind = 9;

// Hands every child entry of `entry` to `visit`, each step guarded under its call name.
template <class Visit>
void forEachChild(SdkGuard& guard, dnc::IJHDataEntry& entry, const char* listCall, const char* countCall,
                  const char* itemCall, Visit&& visit) {
    std::shared_ptr<dnc::IJHDataEntryList> list;
    guard.run({listCall, SDK_CALL_SITE}, [&] { return entry.GetChildList(&list); });
    std::int32_t count = 0;
    guard.run({countCall, SDK_CALL_SITE}, [&] { return list->get_Count(&count); });
    for (std::int32_t i = 0; i < count; ++i) {
        std::shared_ptr<dnc::IJHDataEntry> child;
        guard.run({itemCall, SDK_CALL_SITE}, [&] { return list->get_Item(i, &child); });
        visit(*child);
    }
}

// What a cell without an initial value is cleared to.
dnc::Variant clearedValue(const dnc::Variant& current) {
    switch (current.vt()) {
        case dnc::VT_R8: return dnc::Variant(0.0);
        case dnc::VT_BSTR: return dnc::Variant(std::string());
        case dnc::VT_INT: return dnc::Variant::fromSigned(dnc::VT_INT, 0);
        case dnc::VT_UINT: return dnc::Variant::fromUnsigned(dnc::VT_UINT, 0);
        default: return current;
    }
}

// Puts a cell back to its initial value, or where it has none, to the
// zero of its type; written when the row's tree is written back.
void resetCell(SdkGuard& guard, dnc::IJHDataEntry& dataEntry) {
    // Its answer only tells whether the cell has an initial value.
    // A lost link is not "no initial value": it schedules the disconnect and fails.
    const dnc::HRESULT hasInitial =
        guard
            .call({"dataEntry->ReadPropertyValue", SDK_CALL_SITE, Accepted::every(), OnLostLink::Disconnect},
                  [&] { return dataEntry.ReadPropertyValue(kInitialValueKind); })
            .code;
    dnc::Variant variant;
    guard.run({"dataEntry->get_propertyValue( HeidenhainDNCLib::DNC_DATAENTRY_PROPKIND_DATA, &variant)", SDK_CALL_SITE},
              [&] { return dataEntry.get_propertyValue(dnc::DNC_DATAENTRY_PROPKIND_DATA, &variant); });
    if (dnc::succeeded(hasInitial)) {
        dnc::Variant variant_initial;
        guard.run(
            {"dataEntry->get_propertyValue( HeidenhainDNCLib::DNC_DATAENTRY_PROPKIND_INITIALVALUE, &variant_initial)",
             SDK_CALL_SITE},
            [&] { return dataEntry.get_propertyValue(dnc::DNC_DATAENTRY_PROPKIND_INITIALVALUE, &variant_initial); });
        variant = variant_initial;
    } else {
        variant = clearedValue(variant);
    }
    guard.run({"dataEntry->put_propertyValue( HeidenhainDNCLib::DNC_DATAENTRY_PROPKIND_DATA, variant)", SDK_CALL_SITE},
              [&] { return dataEntry.put_propertyValue(dnc::DNC_DATAENTRY_PROPKIND_DATA, variant); });
}

// A tool without an index stands for all its indexed rows, 0 to 9.
std::string removalPath(const std::string& toolId) {
    if (toolId.find('.') != std::string::npos) return toolRowPath(toolId);
    return toolRowPath("'" + toolId + ".0-" + toolId + ".9'");
}

}  // namespace

void DncShim::clearToolTableRow(const std::string& givenToolId) {
    // Checked before anything is read: an empty id would address the whole table.
    const std::string toolId = toolIdArgument(givenToolId);
    const std::string type = controllerType_.get();
    if (isItnc(type)) {
        deleteItncToolTableRow(toolId);
    } else if (type == "tnc426") {
        clearTNC426ToolTableRow(toolId);
    } else {
        requireInterface(guard_, dataAccessCheck(dataAccess_.get(), "clearToolTableRow"), SDK_CALL_SITE);
        const std::string rowPath = toolRowPath(toolId);
        if (!dataPathExists(rowPath)) {
            throw std::invalid_argument("Invalid argument: Tool id " + toolId + " does not exist in table");
        }
        clearTableRowDataEntry2(rowPath);
    }
    unlinkFromAllPockets(toolId);
}

void DncShim::clearTNC426ToolTableRow(const std::string& toolId) {
    requireInterface(guard_, InterfaceCheck{"ItncTable", itncTable_.get() != nullptr, "clearTNC426ToolTableRow"},
                     SDK_CALL_SITE);
    TableRow row = getItncTableRowByKey(PRIMARY_KEY, toolId);
    if (row.size() <= 1) throw std::invalid_argument("Invalid argument: Tool id " + toolId + " does not exist in table");
    // The table file leads with the key: the row need not carry it twice.
    row.erase(PRIMARY_KEY);
    for (auto& [column, value] : row) value.clear();
    // The control refuses these columns blank.
    for (const auto& [column, preset] : {std::pair{"NMAX", "-"}, {"TT:R-OFFS", "R"}, {"DIRECT.", "-"}}) {
        if (const auto cell = row.find(column); cell != row.end()) cell->second = preset;
    }
    setItncToolTableRow(toolId, row);
}

void DncShim::clearTableRowDataEntry2(const std::string& dataPath) {
    requireInterface(guard_, dataAccessCheck(dataAccess_.get(), "clearTableRowDataEntry2"), SDK_CALL_SITE);
    const auto rowDataEntry = getDataEntry2As(
        "_dataAccess->GetDataEntry2( toBSTR(dataPath), HeidenhainDNCLib::DNC_DATA_UNIT_SELECT_METRIC, VARIANT_FALSE, "
        "&rowDataEntry)",
        dataPath);
    forEachChild(guard_, *rowDataEntry, "rowDataEntry->GetChildList(&dataEntryList)", "dataEntryList->get_Count(&count)",
                 "dataEntryList->get_Item(i, &dataEntry)", [&](dnc::IJHDataEntry& dataEntry) {
                     std::string nameB;
                     guard_.run({"dataEntry->get_bstrName(&nameB)", SDK_CALL_SITE},
                                [&] { return dataEntry.get_bstrName(&nameB); });
                     if (nameB != PRIMARY_KEY) resetCell(guard_, dataEntry);
                 });
    guard_.run({"rowDataEntry->WriteTreeValues(VARIANT_TRUE)", SDK_CALL_SITE},
               [&] { return rowDataEntry->WriteTreeValues(dnc::VARIANT_TRUE); });
}

void DncShim::removeToolTableRow(const std::string& givenToolId) {
    // Checked before anything is read: an empty id would make the range '.0-.9', tool 0.
    const std::string toolId = toolIdArgument(givenToolId);
    const std::string type = controllerType_.get();
    if (type == "tnc426") {
        clearToolTableRow(toolId);
    } else if (isItnc(type)) {
        deleteItncToolTableRow(toolId);
    } else {
        logInformation("removeToolTableRow", name_ + " removeToolTableRow " + toolId);
        requireInterface(guard_, dataAccessCheck(dataAccess_.get(), "removeToolTableRow"), SDK_CALL_SITE);
        const std::string dataPath = removalPath(toolId);
        if (!dataPathExists(dataPath)) {
            throw std::invalid_argument("Invalid argument: Tool id " + toolId +
                                        " to be removed but does not exist in table");
        }
        deleteToolRows(dataPath);
    }
    unlinkFromAllPockets(toolId);
}

void DncShim::removeTool(const std::string& toolId) { removeToolTableRow(toolId); }

void DncShim::deleteToolRows(const std::string& dataPath) {
    const auto rowEntry = getDataEntry2As(
        "_dataAccess->GetDataEntry2(toBSTR(dataPath), DNC_DATA_UNIT_SELECT_METRIC, VARIANT_FALSE, &rowEntry)", dataPath);
    guard_.run({"rowEntry->ReadTreeValues(DNC_DATAENTRY_PROPKIND_DATA)", SDK_CALL_SITE},
               [&] { return rowEntry->ReadTreeValues(dnc::DNC_DATAENTRY_PROPKIND_DATA); });
    // A range of rows has no key of its own: then each row's key is nulled.
    std::shared_ptr<dnc::IJHDataEntry> field;
    const dnc::HRESULT keyAnswer =
        guard_
            .call({"rowEntry->get_child(toBSTR(PRIMARY_KEY), &field)", SDK_CALL_SITE, {dnc::kNoValidItem}},
                  [&] { return rowEntry->get_child(toBSTR(PRIMARY_KEY), &field); })
            .code;
    if (keyAnswer != dnc::kNoValidItem) {
        guard_.run({"field->SetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, VARIANT_NULL, false)", SDK_CALL_SITE}, [&] {
            return field->SetPropertyValue(dnc::DNC_DATAENTRY_PROPKIND_DATA, dnc::Variant::null(), dnc::VARIANT_FALSE);
        });
        return;
    }
    forEachChild(guard_, *rowEntry, "rowEntry->GetChildList(&foundRows)", "foundRows->get_Count(&count)",
                 "foundRows->get_Item(i, &item)", [&](dnc::IJHDataEntry& item) {
                     guard_.run(
                         {"item->SetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, VARIANT_NULL, false)", SDK_CALL_SITE},
                         [&] {
                             return item.SetPropertyValue(dnc::DNC_DATAENTRY_PROPKIND_DATA, dnc::Variant::null(),
                                                          dnc::VARIANT_FALSE);
                         });
                 });
}

}  // namespace heidenhain
