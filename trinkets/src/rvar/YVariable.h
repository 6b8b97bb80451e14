#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class OMScriptableObject;
class YNumericProgram;

// One entry of the script variable table: a name, literal, dotted name, substring form or
// expression, with its value. Texts are bytes of the content's code page.
class YVariable {
 public:
  enum Kind : std::uint32_t {
    plainVariable = 0,
    literal = 1,
    dottedName = 2,
    substringForm = 3,
    expression = 4,
    unclassified = 5
  };
  enum Type : std::uint32_t {
    typeEmpty = 0,
    typeObject = 1,
    typeText = 2,
    typeInteger = 3,
    typeDouble = 4
  };

  // The text of a variable that holds an object, so that a text copy is still recognisable.
  static constexpr char objectMarker = '\xA5';
  // The word that stands for a missing part (the start of a substring form).
  static constexpr std::uint16_t noPart = 0xFFFF;

  YVariable(const char* name, int length);
  ~YVariable();
  YVariable(const YVariable&) = delete;
  YVariable& operator=(const YVariable&) = delete;

  // Values. Every operation first follows a reference variable to the one it refers to.
  // Only plain variables take values.
  void setText(const char* text, int length = -1);
  // As setText, but an object held before is let go of without being deleted.
  void setTextKeepObject(const char* text, int length = -1);
  void setInteger(std::int32_t value);
  void setDouble(double value);
  void setObject(OMScriptableObject* object);
  // Clears to empty; an owned object is deleted when asked.
  void reset(bool deleteObject);
  void release();
  void copyFrom(YVariable& source);

  // The value as text, by kind. Computed texts live in a few alternating static buffers.
  const char* getText(int* length = nullptr);
  OMScriptableObject* getObject();
  double getDouble();
  std::int32_t getInteger();
  // True when the text of the value begins with the character "0".
  bool isFalse();

  // The variable that operations reach: a reference variable's target, else this one.
  YVariable* followed() { return sharing != -1 || first == 0 ? this : followReference(); }
  // The variable a dotted name denotes (added as a plain variable when missing); this one
  // for every other kind; null when it cannot be formed.
  YVariable* resolved() { return kind != dottedName ? this : resolveDotted(); }

  bool holdsObject() const { return type == typeObject; }
  bool ownsObject() const { return type == typeObject && sharing == 0; }
  bool isProcedureLabel() const { return hasText && !text.empty() && text[0] == '+'; }
  // The stored text of a value, printed first when an integer was stored without it.
  const std::string& storedText() const
  {
    if (textPending_) printPendingText();
    return text;
  }

  // Converts a double to integer the way scripts do: to the nearer of floor and ceiling, the
  // floor when both are equally near.
  static std::int32_t roundToInteger(double value);
  // Fills type and value from a text that may be numeric; returns whether it was.
  static bool parseNumber(const char* text, int length, Type& type, double& real,
                          std::int32_t& integer);

  // Table index, set when the table takes the variable.
  int index = -1;

  std::int32_t length = -1;
  std::string name;
  // An integer's text is printed when it is first read (see storedText), so that counting
  // does not print every value.
  mutable std::string text;
  bool hasText = false;
  std::int32_t sharing = 0;
  std::int32_t first = 0;
  std::int32_t instances = 0;
  Kind kind = unclassified;
  Type type = typeEmpty;
  union {
    OMScriptableObject* objectValue;
    std::int32_t integerValue;
    double realValue;
  };
  std::vector<std::uint16_t> parts;
  std::uint32_t marked = 0;
  // An expression's numeric form, made at its first evaluation.
  std::unique_ptr<YNumericProgram> numericProgram;

 private:
  void printPendingText() const;
  YVariable* followReference();
  YVariable* resolveDotted();
  void clearValue(bool deleteObject);
  void storeText(const char* text, int length, bool keepObject);
  void regenerateText();
  const char* computedText(int* length);
  const char* substringText(int* length);
  const char* dottedText(int* length);

  // The text is still to be printed from the integer value.
  mutable bool textPending_ = false;
};
