// Must compile: the same probe, pointing down, shows the view itself works.
#include "model/Track.h"
#include "app/Constants.h"
