#include "wizard/form/SettingsFields.h"

namespace tabulo {

GeneratorSettings SettingsFields::collect(GeneratorSettings settings) const
{
    for (const auto &field : m_fields)
        field(settings);
    return settings;
}

}  // namespace tabulo
