// placeholder, replaced in the next commit
