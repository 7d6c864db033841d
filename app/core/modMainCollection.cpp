#include "app/core/modMainCollection.h"

#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/trace/Trace.h"
#include "platform/CodePage.h"

namespace modMain {

std::string CollectionKeyForm(std::string_view key) {
    // Keys are native paths. A key the code page can hold is folded through
    // the page's lower case, as the runtime folds its text keys; any other key
    // folds its ASCII letters only. The tag keeps the two forms apart.
    if (std::optional<std::string> ansi = plat::Utf8ToAnsi(key)) return "A" + plat::AnsiCodePage().LCase(*ansi);
    std::string form = "U";
    form.reserve(key.size() + 1);
    for (char c : key) form.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    return form;
}

std::int32_t FindObjInCol(const DBCollection& Collect, const std::string& ObjKey) {
    TRACE_MOD(modMain, "FindObjInCol", TV(Collect), TV(ObjKey));
    return Collect.Contains(ObjKey) ? 1 : 0;
}

}  // namespace modMain

namespace trace {

std::string DumpVariable(std::string_view name, const modMain::DBCollection& items, long, long indent) {
    std::vector<const Traced*> objects;
    for (const auto& item : items.Items()) objects.push_back(item.get());
    return DumpItems(name, objects, indent);
}

}  // namespace trace
