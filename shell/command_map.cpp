#include "shell/command_map.h"

void CCommandMap::On(UINT id, Handler handler)
{
    handlers[id] = std::move(handler);
}

void CCommandMap::EnableWhen(std::initializer_list<UINT> ids, EnableRule rule)
{
    auto shared = std::make_shared<EnableRule>(std::move(rule));
    for (UINT id : ids) rules[id] = shared;
}

bool CCommandMap::Execute(UINT id) const
{
    auto found = handlers.find(id);
    if (found == handlers.end() || !found->second) return false;
    // A greyed command does nothing, however it arrives (menu, accelerator or a posted message).
    if (IsEnabled(id)) found->second();
    return true;
}

bool CCommandMap::IsEnabled(UINT id) const
{
    auto found = rules.find(id);
    return found == rules.end() || (*found->second)();
}

void CCommandMap::UpdateMenu(HMENU popup) const
{
    // Each rule is asked once per popup, however many items it governs.
    std::map<const EnableRule*, bool> answers;
    int count = GetMenuItemCount(popup);
    for (int position = 0; position < count; ++position) {
        UINT id = GetMenuItemID(popup, position);
        // Separators and submenus have no command id of their own.
        auto rule = rules.find(id);
        if (id == 0 || id == static_cast<UINT>(-1) || rule == rules.end()) continue;
        auto answer = answers.find(rule->second.get());
        if (answer == answers.end()) answer = answers.emplace(rule->second.get(), (*rule->second)()).first;
        EnableMenuItem(popup, position, MF_BYPOSITION | (answer->second ? MF_ENABLED : MF_GRAYED));
    }
}
