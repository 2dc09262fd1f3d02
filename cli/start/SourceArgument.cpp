#include "cli/start/SourceArgument.h"

#include <cstddef>
#include <cstring>

namespace tabulo::cli {

namespace {

struct FlagOption {
    const char *name;
    bool printsAndExits;  // the program prints something and opens no source
};

// Every tabulo-cli option that takes no value; any other option takes one.
constexpr FlagOption kFlagOptions[] = {
    {"-h", true},
    {"--help", true},
    {"--version", true},
    {"--list-tables", false},
    {"--encrypt", false},
    {"--no-relations", false},
    {"--no-wrapper", false},
    {"--design-properties", false},
    {"--vb-header", false},
    {"--open", false},
};

// The flag spelt as the first `length` characters of `name`, or null.
const FlagOption *findFlag(const char *name, std::size_t length)
{
    for (const FlagOption &flag : kFlagOptions) {
        if (std::strncmp(flag.name, name, length) == 0 && flag.name[length] == '\0')
            return &flag;
    }
    return nullptr;
}

// Whether `c` may follow "-" or "--" in an option; otherwise the argument is
// positional ("-" alone, "---x", "-!").
bool startsOptionName(char c)
{
    return c != '\0' && c != '-' && c != '!' && c != ' ' && c != '\n';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

const char *sourceArgument(int argc, char *const argv[], bool *designProperties)
{
    const char *source = nullptr;
    if (designProperties != nullptr)
        *designProperties = false;
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        const FlagOption *flag = nullptr;
        bool valueInside = false;  // the option's value is in the same argument
        if (std::strcmp(argument, "--") == 0) {
            // Every argument after it is positional.
            if (source == nullptr && i + 1 < argc)
                source = argv[i + 1];
            break;
        }
        if (argument[0] == '-' && argument[1] == '-' && startsOptionName(argument[2])) {
            const char *equals = std::strchr(argument, '=');
            flag = findFlag(argument, equals != nullptr ? std::size_t(equals - argument) : std::strlen(argument));
            // "--name=" with nothing after it waits for the next argument.
            valueInside = equals != nullptr && equals[1] != '\0';
        } else if (argument[0] == '-' && startsOptionName(argument[1])
                   && !(isDigit(argument[1]) && findFlag(argument, 2) == nullptr)) {
            // "-5" is a negative number unless an option has that name.
            flag = findFlag(argument, 2);
            valueInside = argument[2] != '\0';
            // A short flag with more letters after it is read again as "-"
            // and those letters; no early start for such a command line.
            if (flag != nullptr && !flag->printsAndExits && valueInside)
                return nullptr;
        } else {
            if (source == nullptr)
                source = argument;
            continue;
        }
        if (flag != nullptr) {
            if (flag->printsAndExits)
                return nullptr;
            if (designProperties != nullptr && std::strcmp(flag->name, "--design-properties") == 0)
                *designProperties = true;
        } else if (!valueInside) {
            ++i;  // the option's value
        }
    }
    return source != nullptr && source[0] != '\0' ? source : nullptr;
}

}  // namespace tabulo::cli
