#pragma once
// The generator settings the window's controls show, registered as QWizard
// registers its fields: each page registers, for every setting it shows,
// how the setting is read from its controls, and Finish reads them all into
// one GeneratorSettings for the generator.

#include "wizard/generator/GeneratorSettings.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <functional>
#include <vector>

namespace tabulo {

class SettingsFields {
public:
    // `read()` gives the setting's value from the page's controls.
    template <class T, class Read>
    void registerField(T GeneratorSettings::*setting, Read read)
    {
        m_fields.push_back([setting, read = std::move(read)](GeneratorSettings &settings) {
            settings.*setting = read();
        });
    }

    // `settings` with every registered setting read from its controls, in
    // the order they were registered. A control whose text is no value of its
    // setting (a tab stop that is not a number) raises its error, and the
    // settings are not collected.
    GeneratorSettings collect(GeneratorSettings settings) const;

private:
    std::vector<std::function<void(GeneratorSettings &)>> m_fields;
};

// Reads for the common controls: a text box's text, a check box's tick.
inline auto textOf(const QLineEdit *box)
{
    return [box] { return box->text(); };
}
inline auto tickOf(const QAbstractButton *box)
{
    return [box] { return box->isChecked(); };
}

}  // namespace tabulo
