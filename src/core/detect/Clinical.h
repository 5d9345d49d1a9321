#pragma once
// The conditions a clinical note names after its phrases: "presented with
// chest pain", "diagnosed with type 2 diabetes", "history of hypertension",
// "admitted for pneumonia". Taken only in a note that holds a record field
// (the field rules decide that).
#include <string_view>
#include <vector>

#include "FieldValues.h"

namespace clipvane::detect::Clinical {

// Appends the conditions whose phrase begins in [from, to) of the text.
void find(std::u16string_view text, int from, int to, std::vector<fieldvalue::Span>& out);

}  // namespace clipvane::detect::Clinical
