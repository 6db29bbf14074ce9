#pragma once
// Menu and accelerator commands routed by id to handlers, and the enable rules of menu items.
// A rule is one function shared by the ids it governs; rules are evaluated when a popup menu
// is about to show. Items without a rule stay enabled. No item is ever checked.

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <map>
#include <memory>

class CCommandMap {
public:
    using Handler = std::function<void()>;
    using EnableRule = std::function<bool()>;

    /// Sets the handler of command `id` (replacing an earlier one).
    void On(UINT id, Handler handler);
    /// Makes `rule` decide whether the menu items `ids` are enabled.
    void EnableWhen(std::initializer_list<UINT> ids, EnableRule rule);

    /// Runs the handler of `id` if its rule allows; false when the map has no handler for it.
    bool Execute(UINT id) const;
    bool Handles(UINT id) const { return handlers.count(id) != 0; }
    /// Whether the item `id` is enabled now (true when no rule governs it).
    bool IsEnabled(UINT id) const;
    /// Enables or greys every item of `popup` that a rule governs.
    void UpdateMenu(HMENU popup) const;

private:
    std::map<UINT, Handler> handlers;
    std::map<UINT, std::shared_ptr<EnableRule>> rules;
};
