namespace kelv::capture {}
