target_sources(torven-cli PRIVATE
)
