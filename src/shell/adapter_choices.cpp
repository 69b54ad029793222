#include "shell/adapter_choices.h"

#include "capture/frames.h"

namespace kestro {

std::string ShortAdapterName(const AdapterInfo& adapter) {
    const bool devicePath = adapter.name.rfind("\\Device\\", 0) == 0;
    return devicePath && !adapter.description.empty() ? adapter.description : adapter.name;
}

AdapterChoice DescribeAdapter(const AdapterInfo& adapter) {
    const std::string shortName = ShortAdapterName(adapter);
    AdapterChoice choice{adapter.name, shortName, IsUsableAdapter(adapter)};
    if (shortName != adapter.name) {
        choice.label += " — " + adapter.name;
    } else if (!adapter.description.empty()) {
        choice.label += " — " + adapter.description;
    }
    if (!adapter.ipv4Address.empty()) {
        choice.label += " " + adapter.ipv4Address;
    }
    if (adapter.networkInterface && !adapter.allInterfaces && !adapter.up) {
        choice.label += " (停止中)";
    }
    if (adapter.linkType >= 0 && !IsReadableLinkType(adapter.linkType)) {
        choice.label += " (" + LinkTypeName(adapter.linkType) + ": 読めません)";
    }
    return choice;
}

std::vector<AdapterChoice> AdapterChoices(const std::vector<AdapterInfo>& adapters) {
    std::vector<AdapterChoice> choices;
    choices.reserve(adapters.size());
    for (const AdapterInfo& adapter : adapters) {
        choices.push_back(DescribeAdapter(adapter));
    }
    return choices;
}

}  // namespace kestro
