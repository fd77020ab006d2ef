#pragma once

#include <string>
#include <string_view>

namespace rb {

// Which setting the component runs in. The environment variables SPARROW and VORTEXA_CD count when
// present (any value); diagconfig.xml in the current directory is read once (a malformed file is read
// again at the next question).
bool IsSparrow();
bool IsDiagsCD();
bool IsOnline();
bool IsWinPE();
bool IsFactory();
bool IsWindlass();
bool IsSurveyOnly();
bool UseHealthDriver();
// A value of diagconfig.xml selected by a query from its root element (empty when there is none).
std::string ConfigurationValue(std::string_view path);

// Forgets the configuration read from diagconfig.xml and the cached preinstallation answer (tests).
void ForgetRunEnvironmentForTesting();

}  // namespace rb
