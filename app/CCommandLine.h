// The command line: upper-cased, each switch a plain substring test anywhere in it.
#pragma once

#include <string>

class CCommandLine {
public:
    CCommandLine(int argc, char** argv);
    explicit CCommandLine(const std::string& text);

    bool Configure() const { return Has("/C"); }
    bool NoCounterImage() const { return !Configure() && Has("/I"); }
    bool Slow() const { return !Configure() && Has("/S"); }

private:
    bool Has(const char* sw) const { return m_upper.find(sw) != std::string::npos; }
    std::string m_upper;
};
