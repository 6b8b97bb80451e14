#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes 16-bit NE resource files (".rsc"): an "MZ" stub, an "NE" header, the resource
// table with its alignment shift and type blocks, optionally a name table (type 15) that
// carries the type names, and the data of every resource aligned to the unit.
class NEResourceWriter {
 public:
  using Bytes = std::vector<std::uint8_t>;

  // One field of the written file, for tools that want to damage it on purpose.
  struct Field {
    std::size_t offset;
    int width;  // 2 or 4 bytes
    std::string what;
  };

  // Units of 2^shift bytes; 0 to 15.
  bool setAlignShift(int shift);
  void setNameTable(bool nameTable) { nameTable_ = nameTable; }

  // type: a standard Windows type name ("CURSOR", "BITMAP", ...), a number ("#12" or "12")
  // or any other name ("ASEQ"). id: a number from 1 to 32767, or a name.
  bool add(const std::string& type, const std::string& id, Bytes data);

  // The whole file; false (and error()) when it does not fit the format.
  bool build(Bytes& file);
  const std::vector<Field>& fields() const { return fields_; }
  const std::string& error() const { return error_; }

 private:
  struct Resource {
    std::uint16_t number = 0;  // 0: named
    std::string name;
    Bytes data;
  };
  struct Type {
    std::uint16_t number = 0;  // 0: named
    std::string name;
    std::vector<Resource> resources;
  };

  bool fail(const std::string& message);
  Type& typeFor(const std::string& type);
  Bytes nameTableData(const std::vector<std::uint16_t>& typeWords,
                      const std::vector<std::vector<std::uint16_t>>& idWords) const;

  int shift_ = 4;
  bool nameTable_ = false;
  std::vector<Type> types_;
  std::vector<Field> fields_;
  std::string error_;
};

// The number of a standard Windows resource type name, or 0.
std::uint16_t standardResourceType(const std::string& name);
