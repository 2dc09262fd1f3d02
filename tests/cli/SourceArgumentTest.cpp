// The early guess at tabulo-cli's SOURCE argument against the option parser
// itself: the same options, read the same way.

#include "cli/CliOptions.h"
#include "cli/start/SourceArgument.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using tabulo::cli::OptionSyntax;
using tabulo::cli::optionSyntax;
using tabulo::cli::sourceArgument;

namespace {

// A command line as the program receives it, program name first.
class CommandLine {
public:
    explicit CommandLine(std::vector<std::string> arguments) : m_arguments(std::move(arguments))
    {
        m_arguments.insert(m_arguments.begin(), "tabulo-cli");
        for (std::string &argument : m_arguments)
            m_argv.push_back(argument.data());
        m_argv.push_back(nullptr);
    }

    int argc() const { return int(m_arguments.size()); }
    char **argv() { return m_argv.data(); }

private:
    std::vector<std::string> m_arguments;
    std::vector<char *> m_argv;
};

std::optional<std::string> guessed(std::vector<std::string> arguments)
{
    CommandLine line(std::move(arguments));
    const char *source = sourceArgument(line.argc(), line.argv());
    return source != nullptr ? std::optional<std::string>(source) : std::nullopt;
}

// What the parser takes as SOURCE; none when it ends the run (help, version,
// usage error) or leaves SOURCE empty. Its messages are kept off the test's
// output.
std::optional<std::string> parsed(std::vector<std::string> arguments)
{
    CommandLine line(std::move(arguments));
    tabulo::cli::CliOptions options;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const std::optional<int> status = tabulo::cli::parseCommandLine(line.argc(), line.argv(), options);
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    if (status || options.source.isEmpty())
        return std::nullopt;
    return options.source.toStdString();
}

const OptionSyntax *findOption(const std::vector<OptionSyntax> &options, const std::string &name)
{
    for (const OptionSyntax &option : options) {
        if (option.name == name)
            return &option;
    }
    return nullptr;
}

}  // namespace

TEST(OptionSyntax, ListsEverySpellingWithItsValues)
{
    const std::vector<OptionSyntax> options = optionSyntax();
    const struct {
        const char *name;
        int values;
        bool printsAndExits;
    } samples[] = {
        {"-h", 0, true},
        {"--help", 0, true},
        {"--version", 0, true},
        {"--list-tables", 0, false},
        {"--encrypt", 0, false},
        {"--mdw", 1, false},
        {"--tables", 1, false},   // a list, but one argument a time
        {"--db-version", 1, false},
        {"--tab-stop", 1, false},
        {"-o", 1, false},
        {"--output", 1, false},
        {"--new-db-password-file", 1, false},
    };
    for (const auto &sample : samples) {
        SCOPED_TRACE(sample.name);
        const OptionSyntax *option = findOption(options, sample.name);
        ASSERT_NE(option, nullptr);
        EXPECT_EQ(option->minValues, sample.values);
        EXPECT_EQ(option->maxValues, sample.values);
        EXPECT_EQ(option->printsAndExits, sample.printsAndExits);
    }
    EXPECT_EQ(findOption(options, "SOURCE"), nullptr);
    EXPECT_EQ(findOption(options, "--SOURCE"), nullptr);
}

// Adding an option, or turning a flag into an option with a value, without
// telling the guess fails here.
TEST(SourceArgument, ReadsEveryOptionWithTheParsersNumberOfValues)
{
    const std::vector<OptionSyntax> options = optionSyntax();
    ASSERT_GT(options.size(), 30u);
    for (const OptionSyntax &option : options) {
        SCOPED_TRACE(option.name);
        // The guess tells only flags from options with exactly one value.
        ASSERT_TRUE(option.maxValues == 0 || (option.minValues == 1 && option.maxValues == 1))
            << "takes " << option.minValues << " to " << option.maxValues << " values";
        const std::optional<std::string> source =
            option.printsAndExits ? std::nullopt
                                  : std::optional<std::string>(option.maxValues == 0 ? "a.mdb" : "b.mdb");
        EXPECT_EQ(guessed({option.name, "a.mdb", "b.mdb"}), source);
        EXPECT_EQ(guessed({"a.mdb", option.name, "b.mdb"}),
                  option.printsAndExits ? std::nullopt : std::optional<std::string>("a.mdb"));
        if (option.maxValues == 1) {
            const std::string joined = option.name.starts_with("--") ? option.name + "=v" : option.name + "v";
            EXPECT_EQ(guessed({joined, "a.mdb"}), "a.mdb");
        }
    }
}

TEST(SourceArgument, AgreesWithTheParser)
{
    const std::optional<std::string> none;
    const struct {
        std::vector<std::string> arguments;
        std::optional<std::string> source;
    } cases[] = {
        {{"s.mdb"}, "s.mdb"},
        {{"s.json", "--list-tables"}, "s.json"},
        // Source security, each option both ways and after the source.
        {{"--mdw", "w.mdw", "--user", "Admin", "--password", "pw", "s.mdb"}, "s.mdb"},
        {{"--mdw=w.mdw", "--user=Admin", "--password=pw", "--db-password=dp", "s.mdb"}, "s.mdb"},
        {{"s.mdb", "--mdw", "w.mdw", "--user", "Admin", "--db-password", "dp"}, "s.mdb"},
        {{"--password-file", "/dev/null", "--db-password-file=/dev/null", "s.mdb"}, "s.mdb"},
        {{"--db-password-file", "/dev/null", "s.mdb", "--password-file=/dev/null"}, "s.mdb"},
        // A value is the next argument whatever it looks like.
        {{"--user", "s.mdb", "t.mdb"}, "t.mdb"},
        {{"--mdw", "-w.mdw", "s.mdb"}, "s.mdb"},
        {{"--mdw", "--user", "s.mdb"}, "s.mdb"},
        {{"--mdw", "--", "s.mdb"}, "s.mdb"},
        {{"--password", "--help", "s.mdb"}, "s.mdb"},
        {{"-o", "--version", "s.mdb"}, "s.mdb"},
        // "--name=" with nothing after it takes the next argument.
        {{"--location=", "fixed.mdb", "s.mdb"}, "s.mdb"},
        {{"--location=", "s.mdb"}, none},
        // Tables, repeated and as lists.
        {{"--tables", "A", "--tables=B,C", "s.mdb", "--tables", "D"}, "s.mdb"},
        {{"--tables", "s.mdb", "t.mdb"}, "t.mdb"},
        {{"--list-tables", "s.mdb"}, "s.mdb"},
        // The new database.
        {{"--location", "current", "--db-version", "64", "--locale", "dbLangThai", "--encrypt", "s.mdb"}, "s.mdb"},
        {{"--location=/tmp/new.mdb", "--db-version=16", "--locale=dbLangGeneral", "s.mdb", "--encrypt"}, "s.mdb"},
        {{"--encrypt=false", "s.mdb"}, "s.mdb"},
        {{"--security", "runtime", "--new-password", "np", "--new-db-password", "nd", "s.mdb"}, "s.mdb"},
        {{"--security=hardcoded", "--new-mdw", "n.mdw", "--new-user=Owner", "--new-password=np", "s.mdb",
          "--new-db-password=nd"}, "s.mdb"},
        {{"--new-password-file", "/dev/null", "--new-db-password-file=/dev/null", "s.mdb"}, "s.mdb"},
        // Code style.
        {{"--db-var", "d", "--table-var", "t", "--field-var", "f", "--index-var", "i", "--relation-var", "r",
          "--proc-prefix", "P", "--tab-stop", "4", "s.mdb"}, "s.mdb"},
        {{"--db-var=d", "--table-var=t", "--field-var=f", "--index-var=i", "--relation-var=r", "--proc-prefix=P",
          "--tab-stop=2", "--no-relations", "--no-wrapper", "--design-properties", "s.mdb"}, "s.mdb"},
        {{"s.mdb", "--no-relations", "--no-wrapper", "--design-properties"}, "s.mdb"},
        // Output.
        {{"-o", "out.bas", "s.mdb"}, "s.mdb"},
        {{"-oout.bas", "s.mdb", "--vb-header", "--open"}, "s.mdb"},
        {{"--vb-header", "--open", "--output", "out.bas", "s.mdb"}, "s.mdb"},
        {{"s.mdb", "--output=out.bas"}, "s.mdb"},
        {{"-o", "s.mdb", "t.mdb"}, "t.mdb"},
        // After "--" the next argument is the source, whatever it looks like.
        {{"--", "-s.mdb"}, "-s.mdb"},
        {{"--encrypt", "--", "--help"}, "--help"},
        {{"-o", "out.bas", "--", "--"}, "--"},
        {{"--"}, none},
        // Arguments that start with "-" but are no option.
        {{"-"}, "-"},
        {{"-5.mdb"}, "-5.mdb"},
        {{"---s.mdb"}, "---s.mdb"},
        // No source.
        {{}, none},
        {{"--list-tables"}, none},
        {{"--mdw", "s.mdb"}, none},
        {{""}, none},
        {{"--", ""}, none},
        // Help and version, wherever they stand.
        {{"--help"}, none},
        {{"-h"}, none},
        {{"-h", "s.mdb"}, none},
        {{"s.mdb", "--help"}, none},
        {{"--version"}, none},
        {{"--version", "s.mdb"}, none},
        {{"s.mdb", "-o", "out.bas", "--version"}, none},
    };
    for (const auto &c : cases) {
        std::string shown;
        for (const std::string &argument : c.arguments)
            shown += " '" + argument + "'";
        SCOPED_TRACE("tabulo-cli" + shown);
        EXPECT_EQ(parsed(c.arguments), c.source);
        EXPECT_EQ(guessed(c.arguments), c.source);
    }
}

// Whether the reader started early reads the further design properties:
// as the parser sets --design-properties, except that any spelling of the
// flag counts, since reading more than needed only costs time.
TEST(SourceArgument, SeesDesignPropertiesAsTheParserDoes)
{
    const struct {
        std::vector<std::string> arguments;
        bool parsed, guessed;
    } cases[] = {
        {{"s.mdb"}, false, false},
        {{"s.mdb", "--design-properties"}, true, true},
        {{"--design-properties", "--tables", "A", "s.mdb"}, true, true},
        {{"--user", "--design-properties", "s.mdb"}, false, false},
        {{"--", "--design-properties"}, false, false},
        {{"--design-properties=true", "s.mdb"}, true, true},
        {{"--design-properties=false", "s.mdb"}, false, true},
    };
    for (const auto &c : cases) {
        std::string shown;
        for (const std::string &argument : c.arguments)
            shown += " '" + argument + "'";
        SCOPED_TRACE("tabulo-cli" + shown);
        CommandLine line(c.arguments);
        tabulo::cli::CliOptions options;
        testing::internal::CaptureStderr();
        const std::optional<int> status = tabulo::cli::parseCommandLine(line.argc(), line.argv(), options);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, std::nullopt);
        EXPECT_EQ(options.settings.includeDesignProperties, c.parsed);
        bool designProperties = !c.guessed;
        CommandLine again(c.arguments);
        EXPECT_NE(sourceArgument(again.argc(), again.argv(), &designProperties), nullptr);
        EXPECT_EQ(designProperties, c.guessed);
    }
}
