#pragma once
// The exception type of the data store: it carries the database's own
// text, which the error boundary shows to the user unchanged.

#include "common/error.h"

class DbError : public AppError {
public:
    using AppError::AppError;
};
