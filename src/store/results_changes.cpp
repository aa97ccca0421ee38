#include "store/results_changes.h"

ResultsChanges::ResultsChanges() = default;

ResultsChanges::~ResultsChanges() = default;
