target_sources(torven_core PRIVATE
)
