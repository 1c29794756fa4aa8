// The host's base containers and records: atoms, atom vectors, doubly linked
// lists of listables, tree lists of pointers, variable bindings and records.
//
// Ownership: a CKelAtomVector owns its atoms, a CKelDoubleList its items, a
// CKelVarBind its value atom and a CKelRecord its object values. A CKelTreeList
// only refers to the data it files.
#ifndef HOST_KELBASE_H_
#define HOST_KELBASE_H_

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

typedef int __boolean;

class CKelAtomVector;
class CKelVBList;

// A single value: an int, a text, or an owned atom vector or binding list.
class CKelAtom {
 public:
  enum Kind { kInt, kString, kVector, kVBList };

  explicit CKelAtom(int value);
  explicit CKelAtom(const char* text);        // copies the text; null gives an atom without text
  explicit CKelAtom(CKelAtomVector* vector);  // takes the vector
  explicit CKelAtom(CKelVBList* list);        // takes the list
  CKelAtom(const CKelAtom& other);            // deep copy
  CKelAtom& operator=(const CKelAtom&) = delete;
  ~CKelAtom();

  static void* operator new(std::size_t size);
  static void operator delete(void* p);

  Kind RAKind() const { return kind_; }
  int RAInt() const;                 // 0 unless an int atom
  const char* RAString() const;      // null unless a text atom with text
  CKelAtomVector* RAVector() const;  // null unless a vector atom
  CKelVBList* RAVBList() const;      // null unless a binding-list atom
  // A new printable text of the value, released with free().
  char* RAStrRep() const;

 private:
  Kind kind_;
  int int_ = 0;
  bool hasText_ = false;
  std::string text_;
  CKelAtomVector* vector_ = nullptr;
  CKelVBList* list_ = nullptr;
};

class CKelAtomVector {
 public:
  explicit CKelAtomVector(unsigned int initialSize = 0);
  CKelAtomVector(const CKelAtomVector& other);  // deep copy of the atoms
  CKelAtomVector& operator=(const CKelAtomVector&) = delete;
  ~CKelAtomVector();

  void RAVAddToEnd(CKelAtom* atom);        // takes the atom
  CKelAtom* RAVGetValue(int index) const;  // null when out of range
  int RAVSize() const { return static_cast<int>(atoms_.size()); }

 private:
  std::vector<CKelAtom*> atoms_;
};

// An item of a CKelDoubleList.
class CKelListable {
 public:
  CKelListable() = default;
  CKelListable(const CKelListable&) {}  // a copy is not in any list
  // Copies nothing, so assigning an item to itself is harmless.
  CKelListable& operator=(const CKelListable&) {  // NOLINT(bugprone-unhandled-self-assignment)
    return *this;
  }
  virtual ~CKelListable() = default;
  // A new copy of `source` (of this item's own class), owned by the caller.
  virtual CKelListable* RLTargetDeepCopy(const CKelListable* source);

 private:
  friend class CKelDoubleList;
  CKelListable* prev_ = nullptr;
  CKelListable* next_ = nullptr;
};

class CKelDoubleList {
 public:
  CKelDoubleList() = default;
  CKelDoubleList(const CKelDoubleList&) = delete;
  CKelDoubleList& operator=(const CKelDoubleList&) = delete;
  virtual ~CKelDoubleList();  // deletes the items

  CKelListable* RDLHead() const { return head_; }
  CKelListable* RDLGetNext(const CKelListable* item) const;
  int RDLLength() const { return length_; }
  void RDLAddToListEnd(CKelListable* item);  // takes the item
  // With takeOver true the items of `other` move here and `other` is deleted;
  // with false deep copies of its items are appended and `other` stays its owner's.
  void RDLAddToListEnd(CKelDoubleList* other, bool takeOver);
  // Unlinks `item` and hands it to the caller.
  CKelListable* RDLRemove(CKelListable* item);

 private:
  CKelListable* head_ = nullptr;
  CKelListable* tail_ = nullptr;
  int length_ = 0;
};

class CKelPointer {
 public:
  explicit CKelPointer(void* data) : data_(data) {}
  void* RPData() const { return data_; }

 private:
  void* data_;
};

// Files data pointers under text or integer keys, in key order. It does not
// own the data. With `replace` true a second RTLAdd of a key replaces the
// earlier data; with false the first one stays and RTLAdd returns 0.
class CKelTreeList {
 public:
  explicit CKelTreeList(__boolean replace = 0) : replace_(replace != 0) {}
  CKelTreeList(const CKelTreeList&) = delete;
  CKelTreeList& operator=(const CKelTreeList&) = delete;
  ~CKelTreeList() = default;

  int RTLAdd(const char* key, void* data);
  int RTLAdd(int key, void* data);
  CKelPointer* RTLGet(const char* key);
  CKelPointer* RTLGet(int key);
  // A new vector of the keys (integer keys as int atoms first, then text keys),
  // owned by the caller; null when the tree is empty.
  CKelAtomVector* RTLGetKeys() const;
  int RTLSize() const { return static_cast<int>(byText_.size() + byInt_.size()); }

 private:
  bool replace_;
  // Keys are short (labels, addresses) and compared inline, shorter first;
  // RTLGetKeys lists them in text order. Looked up without copying the key.
  struct ShorterFirst {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
      if (a.size() != b.size()) return a.size() < b.size();
      for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
          return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
      }
      return false;
    }
  };
  std::map<std::string, CKelPointer, ShorterFirst> byText_;
  std::map<int, CKelPointer> byInt_;
};

// A named value. The value is a text atom or an atom handed over by the caller.
class CKelVarBind : public CKelListable {
 public:
  CKelVarBind(const char* name, const char* value);
  // Takes *value and sets it to null.
  CKelVarBind(const char* name, CKelAtom** value);
  CKelVarBind(const CKelVarBind& other);
  ~CKelVarBind() override;

  static void* operator new(std::size_t size);
  static void operator delete(void* p);

  CKelListable* RLTargetDeepCopy(const CKelListable* source) override;
  const char* RVBName() const { return name_.c_str(); }
  CKelAtom* RVBValue() const { return value_; }

 private:
  std::string name_;
  CKelAtom* value_;
};

class CKelVBList : public CKelDoubleList {
 public:
  void RVBLAddToListEnd(CKelVarBind* binding) { RDLAddToListEnd(binding); }
  // The first binding of that name, or null.
  CKelVarBind* RVBLFind(const char* name) const;
};

class CKelBaseRecord {
 public:
  CKelBaseRecord() = default;
  CKelBaseRecord(const CKelBaseRecord&) = delete;
  CKelBaseRecord& operator=(const CKelBaseRecord&) = delete;
  virtual ~CKelBaseRecord() = default;
};

class CPelkMediationData;

// A device record: its name, its object values and, on the host side, the
// device's mediation data (not owned).
class CKelRecord : public CKelBaseRecord {
 public:
  explicit CKelRecord(const char* name = "");
  ~CKelRecord() override;

  // Takes the binding; object values keep the order in which they were added.
  int RRAddObjectVal(const char* name, CKelVarBind* binding);
  // Printable text of the record; it stays the record's.
  const char* RRPrintStr(bool full);

  const std::string& RRName() const { return name_; }
  const std::vector<std::pair<std::string, CKelVarBind*>>& RRObjectVals() const {
    return objectVals_;
  }
  CPelkMediationData* RRMediationData() const { return medData_; }
  void RRSetMediationData(CPelkMediationData* medData) { medData_ = medData; }

 private:
  std::string name_;
  std::vector<std::pair<std::string, CKelVarBind*>> objectVals_;
  std::string printed_;
  CPelkMediationData* medData_ = nullptr;
};

#endif  // HOST_KELBASE_H_
