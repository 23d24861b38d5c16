// The help texts of kestrumprops: an overview, and one text per command that `COMMAND --help` prints.
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"

namespace cli {

namespace {

constexpr char kOverview[] = "Usage: kestrumprops COMMAND [ARGUMENTS]\n"
                             "       kestrumprops COMMAND --help    the arguments of one command\n"
                             "       kestrumprops --version\n"
                             "\n"
                             "Calculations, with the engine beside this program:\n"
                             "  calc            calculate one alloy: its properties and a summary\n"
                             "  sweep           calculate many compositions: one table of their solidus,\n"
                             "                  liquidus, latent heat, shrinkage and density\n"
                             "  families        list the material families, their elements and defaults\n"
                             "  validate        hold the engine against published property values\n"
                             "Result files (the engine's format; JMatPro output with --jmatpro or .dat):\n"
                             "  read            print the properties and the derived values\n"
                             "  compare         the largest difference of each property of two files\n"
                             "  plot            draw each property as an SVG chart\n"
                             "  export          write one CSV file per property\n"
                             "  convert         write JMatPro output as an engine result file\n"
                             "Material condition documents:\n"
                             "  condition show  print a document\n"
                             "  condition new   write one, as the input dialog would\n"
                             "\n"
                             "Units: what the tool prints, writes and draws is in SI units, temperatures\n"
                             "in degrees Celsius (C) and temperature differences in kelvin (K): densities\n"
                             "in kg/m^3, enthalpy and latent heat in J/kg, specific heat in J/(kg K),\n"
                             "conductivity in W/(m K), viscosity in Pa s, moduli in GPa, molar volume in\n"
                             "cm^3/mol, molar quantities per mol; fractions and Poisson's ratio have no\n"
                             "unit, shrinkage and volume change are in %. Values are converted from what\n"
                             "the module holds; convert writes the module's own format unconverted.\n"
                             "\n"
                             "Exit status: 0 on success, 1 when a file cannot be read or written,\n"
                             "2 on a usage error, 3 when the calculation failed or was interrupted,\n"
                             "4 when validate finds a value outside its tolerance.\n";

constexpr char kConditionOptions[] =
    "  --family NAME|N     material family, by its index or the start of its name\n"
    "                      (\"alu\", \"cast\"); 'kestrumprops families' lists them.\n"
    "                      Its default temperatures, step, fraction limit and\n"
    "                      elements are the starting point\n"
    "  --set EL=PERCENT    one of the family's elements, by symbol or index; the\n"
    "                      base element takes the balance\n"
    "  --start C, --end C  temperature range in degrees Celsius; the calculation\n"
    "                      runs from the start down to the end\n"
    "  --step C            step in degrees, greater than 0\n"
    "  --fraction-limit F  fraction limit handed to the engine\n"
    "  --graphite N        cast iron: graphite type index, 0 to 2 (default 0)\n"
    "  --ferritic          cast iron: ferritic matrix instead of pearlitic\n";

constexpr char kCalc[] = "Usage: kestrumprops calc --preset FILE.vjp|--family NAME|N [CONDITION OPTIONS]\n"
                         "                         [--out FILE.out] [--plot DIR] [--keep]\n"
                         "\n"
                         "Calculates an alloy with the engine beside this program, as the input dialog's\n"
                         "Start Calc does: a job folder in the temporary folder, its input.vjp, the\n"
                         "engine's output shown as it runs, then a summary of solidus, liquidus,\n"
                         "freezing range, latent heat, shrinkage and density (SI units, C). Solidus and\n"
                         "liquidus are where the result's fraction liquid crosses 0.01 and 0.99, as the\n"
                         "module derives them. The range, the family's data and the output files are\n"
                         "checked before the engine starts. Ctrl-C terminates the engine.\n"
                         "\n"
                         "  --preset FILE.vjp   the material condition to calculate\n"
                         "Condition options (of a preset, --start, --end, --step and --fraction-limit\n"
                         "change it; the others describe a new condition):\n";

constexpr char kCalcOutputs[] = "Output:\n"
                                "  --out FILE.out      copy the engine's result file to FILE.out\n"
                                "  --plot DIR          also write the charts of the plot command into DIR\n"
                                "  --keep              keep the job folder and print its path\n";

constexpr char kSweep[] = "Usage: kestrumprops sweep --preset FILE.vjp|--family NAME|N [CONDITION OPTIONS]\n"
                          "                          --vary EL=FROM:TO[:STEP] [--vary ...] [SWEEP OPTIONS]\n"
                          "\n"
                          "Calculates every composition of a grid (all combinations of the --vary\n"
                          "ranges, FROM and TO included, the first range changing slowest) or, with\n"
                          "--samples N, N random compositions inside the ranges (EL=FROM:TO is enough\n"
                          "then); the base element takes the balance. Each runs as calc runs it. Prints\n"
                          "one table, CSV or JSON: the composition, solidus and liquidus (C), freezing\n"
                          "range (K), latent heat (J/kg), shrinkage (%), density at the start and at the\n"
                          "end (kg/m^3), and for a failed composition its reason. Progress and the\n"
                          "spread of each value go to standard error. Every composition, the range and\n"
                          "the output files are checked before the first engine starts. Ctrl-C stops\n"
                          "the engines; the table then holds the finished compositions and marks the\n"
                          "others \"interrupted\". Exit status 3 when a composition failed or on Ctrl-C.\n"
                          "\n"
                          "Sweep options:\n"
                          "  --vary EL=FROM:TO:STEP  the percentages of one element\n"
                          "  --samples N         N random compositions instead of the grid\n"
                          "  --seed S            the random compositions' seed (default 1)\n"
                          "  -j N                compositions at once (default: the number of cores)\n"
                          "  --json              the table as one JSON object\n"
                          "  -o FILE             write the table to FILE instead\n"
                          "  --plot DIR          one SVG per value and varied element (liquidus-Si.svg);\n"
                          "                      with two elements varied, one line per value of the\n"
                          "                      other; with more, or samples, the points alone\n"
                          "  --preset FILE.vjp   the material condition the compositions start from\n"
                          "Condition options (as for calc):\n";

constexpr char kFamilies[] = "Usage: kestrumprops families [--json]\n"
                             "\n"
                             "Lists the material families of the catalogue: index and name (as --family\n"
                             "takes them), base element, default temperatures, step and fraction limit,\n"
                             "the elements --set takes, and whether the engine has data for the family.\n"
                             "\n"
                             "  --json              the list as one JSON object\n";

constexpr char kValidate[] = "Usage: kestrumprops validate [--table FILE] [--data DIR] [--markdown]\n"
                             "                           [--readme FILE]\n"
                             "\n"
                             "Calculates every alloy of the published-values table beside this program\n"
                             "(validation/published.json) with the engine and prints the model beside each\n"
                             "published value, the deviation, pass or fail against the tolerance, and the\n"
                             "source. Exit status 4 when a value misses its tolerance without a listed\n"
                             "reason, or a listed miss now passes.\n"
                             "\n"
                             "  --markdown          print the Markdown table instead\n"
                             "  --readme FILE       also put that table into FILE between its markers\n"
                             "  --table FILE        another table\n"
                             "  --data DIR          another data folder for the engine\n";

constexpr char kRead[] = "Usage: kestrumprops read FILE [--jmatpro] [--json]\n"
                         "\n"
                         "Prints each property series of a result file (data type, tag, property, unit,\n"
                         "points, temperature range) and the derived solidus, liquidus, latent heat and\n"
                         "shrinkage, in SI units with temperatures in C. FILE is read as JMatPro output\n"
                         "when its name ends in .dat (any case) or with --jmatpro, else in the engine's\n"
                         "format. A file in which no column heading names a known property is refused.\n"
                         "Values that are not finite numbers are counted in a warning.\n"
                         "\n"
                         "  --json              one JSON object: per series its tag, name, title, unit\n"
                         "                      and points [C, value], or its value for a single value\n";

constexpr char kCompare[] = "Usage: kestrumprops compare A B [--jmatpro]\n"
                            "\n"
                            "Reads two result files (each as read does) and prints, for each property in\n"
                            "both, the largest difference A - B over the temperatures both cover (B\n"
                            "interpolated on A's temperatures) and where it lies, then the differences\n"
                            "in solidus, liquidus and shrinkage; in SI units with temperatures in C.\n";

constexpr char kPlot[] = "Usage: kestrumprops plot FILE [--jmatpro] [--type NAME|all] [--raw]\n"
                         "                         [--range FROM:TO] [-o DIR]\n"
                         "       kestrumprops plot --overlay FILE FILE [FILE ...] [the same options]\n"
                         "\n"
                         "Draws each property curve of a result file (read as read does) as an SVG\n"
                         "chart in the graph window's layout, in SI units over the temperature in C,\n"
                         "titled with the file's name; one file per property named after its tag\n"
                         "(D-TOTAL.svg). Prints the files written. By default a curve is thinned as\n"
                         "the graph window first shows it, with a symbol at each point kept.\n"
                         "Single values (solidus, liquidus, ...) are not drawn: read gives them.\n"
                         "\n"
                         "  --type NAME         only this property, by tag or chart name in any letter\n"
                         "                      case: d-total, WT-LIQUID, Dynamic_viscosity\n"
                         "  --raw               every point, joined by the line, without thinning\n"
                         "  --range FROM:TO     only the temperatures from FROM to TO C (500:650;\n"
                         "                      either may be left out)\n"
                         "  -o DIR              the folder for the files, made when missing (default:\n"
                         "                      the current folder)\n"
                         "  --overlay           two files or more: one chart per property with a curve\n"
                         "                      from each file that has it and a legend below\n";

constexpr char kExport[] = "Usage: kestrumprops export FILE --csv DIR [--jmatpro]\n"
                           "\n"
                           "Writes one CSV per property of a result file (read as read does) into DIR\n"
                           "(made when missing), named as plot names its charts (D-TOTAL.csv): a heading\n"
                           "\"Temperature (C),TITLE (UNIT)\", then one line per point in SI units, an empty\n"
                           "cell for a value that is not a finite number. A single value (solidus,\n"
                           "liquidus, ...) is one column: its heading and the value. Prints the files\n"
                           "written.\n";

constexpr char kConvert[] = "Usage: kestrumprops convert FILE.dat [-o OUT]\n"
                            "\n"
                            "Reads JMatPro output and writes it as an engine result file, by default\n"
                            "FILE.dat.out beside the input, in the module's own format and units; prints\n"
                            "the path written and warns about columns the format cannot hold.\n"
                            "\n"
                            "  -o OUT              write to OUT instead\n";

constexpr char kConditionShow[] =
    "Usage: kestrumprops condition show FILE.vjp [--json]\n"
    "\n"
    "Prints the material condition document FILE.vjp: family, temperatures (in\n"
    "kelvin as stored, and in C), options, phases, composition and folders.\n"
    "\n"
    "  --json              print it as one JSON object instead, as stored\n";

constexpr char kConditionNew[] =
    "Usage: kestrumprops condition new --family NAME|N [--set EL=PERCENT ...]\n"
    "                                  [--start C] [--end C] [--step C]\n"
    "                                  [--fraction-limit F] [--graphite N]\n"
    "                                  [--ferritic] -o FILE.vjp\n"
    "\n"
    "Writes a material condition document as the input dialog would: the\n"
    "family's defaults with the values given, temperatures stored in kelvin and\n"
    "the step negated. Prints the path written.\n"
    "\n";

} // namespace

std::string HelpText(const std::vector<std::string>& args) {
    const auto named = [&args](std::string_view word, size_t at) {
        return args.size() > at && args[at] == word;
    };
    if (named("calc", 0))
        return std::string(kCalc) + kConditionOptions + kCalcOutputs;
    if (named("sweep", 0))
        return std::string(kSweep) + kConditionOptions;
    if (named("families", 0))
        return kFamilies;
    if (named("validate", 0))
        return kValidate;
    if (named("read", 0))
        return kRead;
    if (named("compare", 0))
        return kCompare;
    if (named("plot", 0))
        return kPlot;
    if (named("export", 0))
        return kExport;
    if (named("convert", 0))
        return kConvert;
    if (named("condition", 0) && named("show", 1))
        return kConditionShow;
    if (named("condition", 0) && named("new", 1))
        return std::string(kConditionNew) + kConditionOptions +
               "  -o FILE.vjp         the document to write\n";
    if (named("condition", 0))
        return std::string(kConditionShow) + '\n' + kConditionNew + kConditionOptions;
    return kOverview;
}

} // namespace cli
