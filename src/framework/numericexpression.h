#pragma once

#include <cstdint>
#include <string_view>

namespace rb {

// Evaluates what an operator typed into a numeric field, in the arithmetic of T (int wraps as 32-bit
// two's complement, std::uint64_t as unsigned 64-bit). Blanks are dropped first. The grammar: terms
// joined by + - * / (* and / bind tighter, equal ranks from the left); a term is a parenthesised
// expression, MAX or MIN (the field's limits), a decimal number with a K, M or G suffix (shifted left
// by 10, 20 or 30 bits), a 0x hexadecimal number or a decimal number. A number is its longest valid
// prefix (12abc is 12) and a term without digits is 0, so a leading minus subtracts from 0. Division
// truncates. Raises FrontendError "Parameter outside acceptable range" for a division by zero and for
// unbalanced or misplaced parentheses.
template <class T>
T EvaluateNumericExpression(std::string_view text, T min, T max);

extern template int EvaluateNumericExpression<int>(std::string_view, int, int);
extern template std::uint64_t EvaluateNumericExpression<std::uint64_t>(std::string_view, std::uint64_t,
                                                                      std::uint64_t);

}  // namespace rb
