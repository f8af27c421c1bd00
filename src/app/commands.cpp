#include "app/commands.h"

#include <algorithm>

namespace trackkit {

ChoiceMark ChoiceMarkOf(SettingId setting)
{
    return setting == SettingId::BlockSize ? ChoiceMark::Radio : ChoiceMark::Check;
}

const Command* FindCommand(int id)
{
    const auto match = std::find_if(kCommands.begin(), kCommands.end(), [&](const Command& c) { return c.id == id; });
    return match != kCommands.end() ? &*match : nullptr;
}

std::uint32_t ChoiceValue(const Command& command) { return RuleOf(command.setting).accepted[command.choice]; }

std::array<int, 4> ChoiceCommands(SettingId setting)
{
    std::array<int, 4> ids{};
    for (const Command& command : kCommands)
        if (command.action == CommandAction::ChooseSetting && command.setting == setting && command.choice < ids.size())
            ids[command.choice] = command.id;
    return ids;
}

int ChoiceCommandFor(SettingId setting, std::uint32_t value)
{
    for (const Command& command : kCommands)
        if (command.action == CommandAction::ChooseSetting && command.setting == setting && ChoiceValue(command) == value)
            return command.id;
    return 0;
}

} // namespace trackkit
