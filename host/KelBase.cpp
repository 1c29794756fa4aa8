#include "host/KelBase.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

// ---- CKelAtom ----

CKelAtom::CKelAtom(int value) : kind_(kInt), int_(value) {}

CKelAtom::CKelAtom(const char* text) : kind_(kString), hasText_(text != nullptr) {
  if (text) text_ = text;
}

CKelAtom::CKelAtom(CKelAtomVector* vector) : kind_(kVector), vector_(vector) {}

CKelAtom::CKelAtom(CKelVBList* list) : kind_(kVBList), list_(list) {}

CKelAtom::CKelAtom(const CKelAtom& other)
    : kind_(other.kind_), int_(other.int_), hasText_(other.hasText_), text_(other.text_) {
  if (other.vector_) vector_ = new CKelAtomVector(*other.vector_);
  if (other.list_) {
    list_ = new CKelVBList;
    list_->RDLAddToListEnd(other.list_, false);
  }
}

CKelAtom::~CKelAtom() {
  delete vector_;
  delete list_;
}

void* CKelAtom::operator new(std::size_t size) { return ::operator new(size); }
void CKelAtom::operator delete(void* p) { ::operator delete(p); }

int CKelAtom::RAInt() const { return kind_ == kInt ? int_ : 0; }

const char* CKelAtom::RAString() const {
  return kind_ == kString && hasText_ ? text_.c_str() : nullptr;
}

CKelAtomVector* CKelAtom::RAVector() const { return vector_; }
CKelVBList* CKelAtom::RAVBList() const { return list_; }

char* CKelAtom::RAStrRep() const {
  std::string text;
  switch (kind_) {
    case kInt:
      text = std::to_string(int_);
      break;
    case kString:
      text = text_;
      break;
    case kVector: {
      text = "(";
      for (int i = 0; vector_ && i < vector_->RAVSize(); ++i) {
        char* inner = vector_->RAVGetValue(i)->RAStrRep();
        text += (i ? "," : "") + std::string(inner);
        free(inner);
      }
      text += ")";
      break;
    }
    case kVBList: {
      text = "{";
      bool first = true;
      for (CKelListable* it = list_ ? list_->RDLHead() : nullptr; it; it = list_->RDLGetNext(it)) {
        auto* binding = static_cast<CKelVarBind*>(it);
        char* inner = binding->RVBValue() ? binding->RVBValue()->RAStrRep() : strdup("");
        text += (first ? "" : ",") + std::string(binding->RVBName()) + "=" + inner;
        free(inner);
        first = false;
      }
      text += "}";
      break;
    }
  }
  return strdup(text.c_str());
}

// ---- CKelAtomVector ----

CKelAtomVector::CKelAtomVector(unsigned int initialSize) { atoms_.reserve(initialSize); }

CKelAtomVector::CKelAtomVector(const CKelAtomVector& other) {
  atoms_.reserve(other.atoms_.size());
  for (const CKelAtom* atom : other.atoms_) atoms_.push_back(new CKelAtom(*atom));
}

CKelAtomVector::~CKelAtomVector() {
  for (CKelAtom* atom : atoms_) delete atom;
}

void CKelAtomVector::RAVAddToEnd(CKelAtom* atom) {
  if (atom) atoms_.push_back(atom);
}

CKelAtom* CKelAtomVector::RAVGetValue(int index) const {
  if (index < 0 || index >= RAVSize()) return nullptr;
  return atoms_[index];
}

// ---- CKelListable, CKelDoubleList ----

CKelListable* CKelListable::RLTargetDeepCopy(const CKelListable* source) {
  return source ? new CKelListable(*source) : nullptr;
}

CKelDoubleList::~CKelDoubleList() {
  CKelListable* item = head_;
  while (item) {
    CKelListable* next = item->next_;
    delete item;
    item = next;
  }
}

CKelListable* CKelDoubleList::RDLGetNext(const CKelListable* item) const {
  return item ? item->next_ : nullptr;
}

void CKelDoubleList::RDLAddToListEnd(CKelListable* item) {
  if (!item) return;
  item->prev_ = tail_;
  item->next_ = nullptr;
  if (tail_) {
    tail_->next_ = item;
  } else {
    head_ = item;
  }
  tail_ = item;
  ++length_;
}

void CKelDoubleList::RDLAddToListEnd(CKelDoubleList* other, bool takeOver) {
  if (!other || other == this) return;
  if (takeOver) {
    while (other->head_) RDLAddToListEnd(other->RDLRemove(other->head_));
    delete other;
    return;
  }
  for (CKelListable* it = other->head_; it; it = it->next_) {
    RDLAddToListEnd(it->RLTargetDeepCopy(it));
  }
}

CKelListable* CKelDoubleList::RDLRemove(CKelListable* item) {
  if (!item) return nullptr;
  if (item->prev_) {
    item->prev_->next_ = item->next_;
  } else {
    head_ = item->next_;
  }
  if (item->next_) {
    item->next_->prev_ = item->prev_;
  } else {
    tail_ = item->prev_;
  }
  item->prev_ = item->next_ = nullptr;
  --length_;
  return item;
}

// ---- CKelTreeList ----

int CKelTreeList::RTLAdd(const char* key, void* data) {
  if (!key) return 0;
  auto [it, inserted] = byText_.emplace(key, CKelPointer(data));
  if (!inserted && replace_) it->second = CKelPointer(data);
  return inserted ? 1 : 0;
}

int CKelTreeList::RTLAdd(int key, void* data) {
  auto [it, inserted] = byInt_.emplace(key, CKelPointer(data));
  if (!inserted && replace_) it->second = CKelPointer(data);
  return inserted ? 1 : 0;
}

CKelPointer* CKelTreeList::RTLGet(const char* key) {
  if (!key) return nullptr;
  auto it = byText_.find(std::string_view(key));
  return it == byText_.end() ? nullptr : &it->second;
}

CKelPointer* CKelTreeList::RTLGet(int key) {
  auto it = byInt_.find(key);
  return it == byInt_.end() ? nullptr : &it->second;
}

CKelAtomVector* CKelTreeList::RTLGetKeys() const {
  if (byText_.empty() && byInt_.empty()) return nullptr;
  auto* keys = new CKelAtomVector(RTLSize());
  for (const auto& entry : byInt_) keys->RAVAddToEnd(new CKelAtom(entry.first));
  std::vector<const std::string*> texts;
  texts.reserve(byText_.size());
  for (const auto& entry : byText_) texts.push_back(&entry.first);
  std::sort(texts.begin(), texts.end(),
            [](const std::string* a, const std::string* b) { return *a < *b; });
  for (const std::string* text : texts) keys->RAVAddToEnd(new CKelAtom(text->c_str()));
  return keys;
}

// ---- CKelVarBind, CKelVBList ----

CKelVarBind::CKelVarBind(const char* name, const char* value)
    : name_(name ? name : ""), value_(new CKelAtom(value)) {}

CKelVarBind::CKelVarBind(const char* name, CKelAtom** value)
    : name_(name ? name : ""), value_(value ? *value : nullptr) {
  if (value) *value = nullptr;
}

CKelVarBind::CKelVarBind(const CKelVarBind& other)
    : CKelListable(other),
      name_(other.name_),
      value_(other.value_ ? new CKelAtom(*other.value_) : nullptr) {}

CKelVarBind::~CKelVarBind() { delete value_; }

void* CKelVarBind::operator new(std::size_t size) { return ::operator new(size); }
void CKelVarBind::operator delete(void* p) { ::operator delete(p); }

CKelListable* CKelVarBind::RLTargetDeepCopy(const CKelListable* source) {
  return source ? new CKelVarBind(*static_cast<const CKelVarBind*>(source)) : nullptr;
}

CKelVarBind* CKelVBList::RVBLFind(const char* name) const {
  for (CKelListable* it = RDLHead(); it; it = RDLGetNext(it)) {
    auto* binding = static_cast<CKelVarBind*>(it);
    if (name && std::strcmp(binding->RVBName(), name) == 0) return binding;
  }
  return nullptr;
}

// ---- CKelRecord ----

CKelRecord::CKelRecord(const char* name) : name_(name ? name : "") {}

CKelRecord::~CKelRecord() {
  for (auto& value : objectVals_) delete value.second;
}

int CKelRecord::RRAddObjectVal(const char* name, CKelVarBind* binding) {
  if (!name || !binding) return 0;
  objectVals_.emplace_back(name, binding);
  return 1;
}

const char* CKelRecord::RRPrintStr(bool full) {
  printed_ = "device " + name_;
  if (full) {
    for (const auto& value : objectVals_) {
      CKelAtom* atom = value.second->RVBValue();
      char* text = atom ? atom->RAStrRep() : strdup("");
      printed_ += " " + value.first + ":" + value.second->RVBName() + "=" + text;
      free(text);
    }
  }
  return printed_.c_str();
}
