// Must compile: the same probe, pointing down, shows the view itself works.
#include "app/Constants.h"
#include "model/Track.h"
