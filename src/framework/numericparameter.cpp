#include "framework/numericparameter.h"

#include "framework/numericexpression.h"

namespace rb {

template <class T>
NumericParameter<T>::NumericParameter(std::string name, std::string caption, std::string description, T defaultValue,
                                      T min, T max) {
  Set(std::move(name), std::move(caption), std::move(description), defaultValue, min, max);
}

template <class T>
void NumericParameter<T>::Set(std::string name, std::string caption, std::string description, T defaultValue, T min,
                              T max) {
  SetInfo(std::move(name), std::move(caption), std::move(description));
  value_ = default_ = defaultValue;
  min_ = min;
  max_ = max;
  defaultText_ = std::to_string(defaultValue);
}

template <class T>
XmlObject NumericParameter<T>::Describe() const {
  XmlObject element = Parameter::Describe();
  element.SetAttribute("min", std::to_string(min_));
  element.SetAttribute("max", std::to_string(max_));
  return element;
}

template <class T>
void NumericParameter<T>::SetValue(const std::string& text) {
  if (text.empty()) {
    value_ = default_;
    return;
  }
  value_ = EvaluateNumericExpression<T>(text, min_, max_);
  const bool zeroAllowed = value_ != 0 || text == "0";
  const bool inRange = min_ <= value_ && (max_ <= min_ || value_ <= max_);
  if (!zeroAllowed || !inRange)
    RejectValue("You entered " + text + ", please enter a value between " + std::to_string(min_) + " and " +
                std::to_string(max_));
}

template <class T>
void NumericParameter<T>::Assign(const Persistent& other) {
  *this = dynamic_cast<const NumericParameter&>(other);
}

template class NumericParameter<int>;
template class NumericParameter<std::uint64_t>;

}  // namespace rb
