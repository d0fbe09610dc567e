// placeholder until the restore dialog exists
